#!/usr/bin/env bash
# Prepares a fresh 32-bit Wine prefix and an X display for one test run.
# Usage: source scripts/wine-prefix.sh <build-dir>
wine_build_dir=$(cd "$1" && pwd)
export WINEPREFIX="$wine_build_dir/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  export DISPLAY=:97
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
fi
rm -rf "$WINEPREFIX"
# No Mono or Gecko download prompts: nothing here needs them.
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
wineserver -w || true
