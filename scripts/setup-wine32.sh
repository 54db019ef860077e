#!/usr/bin/env bash
# 32-bit Wine, apart from the rest of the set-up: only a machine that executes i386
# programs can use it, and when the mirror's i386 lists lag behind the amd64 ones apt
# refuses the pair ("held broken packages"). Neither may stop the test run: where 32-bit
# Wine is not there afterwards, NOTE says why in one line, and test.sh skips the i686
# Wine suite with that line.
#   setup-wine32.sh NOTE
# VORNIX_I386_PROBE names the program whose run tells whether i386 programs execute
# (default /lib/ld-linux.so.2).
set -uo pipefail
note=$1
probe=${VORNIX_I386_PROBE:-/lib/ld-linux.so.2}
mkdir -p "$(dirname "$note")"
rm -f "$note"
installed() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; }

if ! "$probe" --version >/dev/null 2>&1; then
  echo "this machine cannot execute 32-bit programs" > "$note"
elif installed; then
  exit 0
elif [ "$(id -u)" != 0 ]; then
  echo "32-bit Wine is not installed (run scripts/setup.sh as root)" > "$note"
else
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null 2>&1 || true
  if ! out=$(apt-get install -y -qq --no-install-recommends wine32:i386 2>&1) || ! installed; then
    reason=$(printf '%s\n' "$out" | grep -E '^E:' | tail -n 1)
    echo "32-bit Wine could not be installed: ${reason:-apt-get failed}" > "$note"
  fi
fi
[ -s "$note" ] && echo "setup: $(cat "$note"); the i686 Wine suite will be skipped" >&2
exit 0
