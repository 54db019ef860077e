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

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVORNIX_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$jobs"
# No suppressions: every report fails the run.
(cd build/asan && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs")

echo "== fuzzing (libFuzzer with clang, ${VORNIX_FUZZ_SECONDS:-30} s per target)"
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVORNIX_FUZZ=ON -DVORNIX_BUILD_TESTS=OFF >/dev/null
cmake --build build/fuzz -j"$jobs" --target vornix_fuzzers
# Every target has a seed corpus in fuzz/corpus/<target>/; what a run learns goes to
# build/fuzz/work/, a crashing input to build/fuzz/artifacts/.
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  mkdir -p "build/fuzz/work/$target" build/fuzz/artifacts
  echo "-- $target"
  "build/fuzz/fuzz/$target" -max_total_time="${VORNIX_FUZZ_SECONDS:-30}" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$target-" "build/fuzz/work/$target" "$seeds" \
    > "build/fuzz/$target.log" 2>&1 || { tail -n 60 "build/fuzz/$target.log"; exit 1; }
  grep -E '^stat::number_of_executed_units' "build/fuzz/$target.log"
done

echo "== Windows build (i686, MinGW)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"
# shellcheck source=wine-prefix.sh
source "$root/scripts/wine-prefix.sh" build/win
(cd build/win && ctest --output-on-failure)
wineserver -k || true
