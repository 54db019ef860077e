#!/usr/bin/env bash
# Runs one Windows program under Wine of the given architecture in the build's prefix:
#   wine-run.sh <win32|win64> <program> [arguments]
# The prefix and the X display are prepared once per test run by scripts/wine-prefix.sh.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$1"
shift
: "${WINEPREFIX:=$PWD/wineprefix}"
export WINEPREFIX
export DISPLAY="${DISPLAY:-:97}"
exec "$WINELOADER" "$@"
