#!/usr/bin/env bash
# Prepares a fresh Wine prefix of one architecture and an X display for one test run.
# Usage: source scripts/wine-prefix.sh <build-dir> <win32|win64>
# The library's hidden window needs a display: without one SW_Init creates no window.
wine_build_dir=$(cd "$1" && pwd)
# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" "$2" || return 2
export WINEPREFIX="$wine_build_dir/wineprefix"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  export DISPLAY=:97
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
fi
rm -rf "$WINEPREFIX"
# No Mono or Gecko download prompts: nothing here needs them.
WINEDLLOVERRIDES="mscoree,mshtml=" "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
"$WINESERVER" -w || true
