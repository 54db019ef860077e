#!/usr/bin/env bash
# Runs one Windows test program under 32-bit Wine in the build's own prefix.
# The prefix and the X display are prepared once per test run by scripts/wine-prefix.sh.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=$PWD/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEARCH=win32
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export DISPLAY="${DISPLAY:-:99}"
exec wine "$@"
