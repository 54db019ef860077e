#!/usr/bin/env bash
# Installs everything the builds and tests need on a fresh Debian machine (as root).
# Cheap when everything is already there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake g++ make python3 libgtest-dev libbenchmark-dev googletest \
         g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb fonts-wqy-zenhei locales sox \
         clang libclang-rt-14-dev imagemagick x11-utils \
         python3-pytest mono-mcs mono-runtime; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  [ "$(id -u)" = 0 ] || { echo "setup: run as root to install: ${need[*]}" >&2; exit 1; }
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Wine shows the GBK texts of the settings tool only under a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  [ "$(id -u)" = 0 ] || { echo "setup: run as root to generate zh_CN.UTF-8" >&2; exit 1; }
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
