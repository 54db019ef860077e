#!/usr/bin/env bash
# Wine of one architecture, for scripts that source this file: wine-env.sh <win32|win64>
# The 64-bit loader is named outright: Debian's `wine` wrapper prefers the 32-bit
# loader whenever it is installed, also on a machine that cannot execute it.
case "${1:-}" in
  win32) export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine ;;
  win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;;
  *) echo "wine-env.sh: architecture win32 or win64 expected, got '${1:-}'" >&2; return 2 ;;
esac
# One server serves both kinds of client; the 64-bit one runs on every machine here.
if [ -x /usr/lib/wine/wineserver64 ]; then export WINESERVER=/usr/lib/wine/wineserver64
else export WINESERVER=/usr/lib/wine/wineserver32; fi
export WINEDEBUG=-all
# Wine shows the settings tool's GBK texts only under a Chinese locale.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
