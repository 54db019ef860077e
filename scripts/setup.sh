#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian machine (as root).
# Cheap when everything is already there.
#   setup.sh        everything: every build and every test (scripts/test.sh)
#   setup.sh demo   only the native host's build: CMake, the compiler and make
set -euo pipefail

set_name=${1:-all}
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The native host links the C and C++ runtimes and unixODBC (the customer look-up:
# the Windows build has the system's odbc32.dll); the library it builds and the
# simulated boxes come from this tree. Its web console's HTTP and JSON libraries are
# header-only (Boost.Beast/Asio, nlohmann-json); its statistics charts are Debian's
# Chart.js, built into the page.
wanted=(cmake g++ make libboost-dev nlohmann-json3-dev unixodbc-dev libjs-chart.js)
if [ "$set_name" = all ]; then
  wanted+=(python3 libgtest-dev libbenchmark-dev googletest
           g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb fonts-wqy-zenhei locales sox
           clang libclang-rt-14-dev imagemagick x11-utils python3-pytest mono-mcs mono-runtime
           fp-compiler fpc-source chromium chromium-driver python3-selenium
           unixodbc libsqliteodbc sqlite3 libsqlite3-dev firefox-esr
           # the console's screenshots: browsers in the page's language, small PNGs
           chromium-l10n firefox-esr-l10n-zh-cn pngquant optipng)
  # The call log's check opens it in LibreOffice Calc; the headless build does, and any
  # LibreOffice already there (the desktop one) does too.
  command -v soffice >/dev/null 2>&1 || wanted+=(libreoffice-calc-nogui)
elif [ "$set_name" != demo ]; then
  echo "usage: setup.sh [demo]" >&2
  exit 2
fi

need=()
for p in "${wanted[@]}"; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  [ "$(id -u)" = 0 ] || { echo "setup: run as root to install: ${need[*]}" >&2; exit 1; }
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails the update; the lists already here may still do.
  apt-get update -qq || echo "setup: apt-get update failed; installing from the package lists there are" >&2
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

[ "$set_name" = all ] || exit 0

# 32-bit Wine where it can be had; where not, the note says why (test.sh reads it).
"$(dirname "$0")/setup-wine32.sh" "$(cd "$(dirname "$0")/.." && pwd)/build/i686-wine-unavailable"

# Wine shows the GBK texts of the settings tool only under a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  [ "$(id -u)" = 0 ] || { echo "setup: run as root to generate zh_CN.UTF-8" >&2; exit 1; }
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
