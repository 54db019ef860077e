#!/usr/bin/env bash
# Builds both builds from scratch and runs every test: the native suite (also under
# AddressSanitizer and UndefinedBehaviorSanitizer) and the Windows programs under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

"$root/scripts/setup.sh"

echo "== native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
(cd build/native && ctest --output-on-failure -j"$jobs")

echo "== Windows build (i686, MinGW)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"
# shellcheck source=wine-prefix.sh
source "$root/scripts/wine-prefix.sh" build/win
(cd build/win && ctest --output-on-failure)
wineserver -k || true
