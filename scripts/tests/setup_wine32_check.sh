#!/usr/bin/env bash
# The 32-bit Wine step of the set-up never stops the run, and says why when it could
# not install: a machine that executes no i386 program, and a mirror whose i386 lists
# lag behind (apt refuses), with stand-ins for dpkg, apt-get and id.
set -uo pipefail
script=$(cd "$(dirname "$0")/.." && pwd)/setup-wine32.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cat > "$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
[ -f "$STUB_DIR/installed" ] && echo 'install ok installed'
STUB
cat > "$work/bin/dpkg" <<'STUB'
#!/bin/sh
echo i386
STUB
cat > "$work/bin/id" <<'STUB'
#!/bin/sh
echo 0
STUB
cat > "$work/bin/apt-get" <<'STUB'
#!/bin/sh
[ "$1" = update ] && exit 0
if [ "$APT_RESULT" = ok ]; then touch "$STUB_DIR/installed"; exit 0; fi
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
STUB
chmod +x "$work/bin/"*
export STUB_DIR=$work PATH="$work/bin:$PATH"

failed=0
# probe, apt's answer, what the note must say (empty: no note)
while IFS='|' read -r probe apt want; do
  rm -f "$work/installed"
  VORNIX_I386_PROBE=$probe APT_RESULT=$apt "$script" "$work/note" 2>/dev/null
  status=$?
  got=$(cat "$work/note" 2>/dev/null)
  if [ "$status" != 0 ] || { [ -z "$want" ] && [ -n "$got" ]; } || { [ -n "$want" ] && [[ "$got" != *"$want"* ]]; }; then
    echo "probe $probe, apt $apt: exit $status, note '$got' (wanted '$want')"
    failed=1
  fi
done <<'CASES'
/bin/false|ok|cannot execute 32-bit programs
/bin/true|refused|held broken packages
/bin/true|ok|
CASES
[ "$failed" = 0 ] && echo "wine32 set-up check: ok"
exit "$failed"
