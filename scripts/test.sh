#!/usr/bin/env bash
# Builds every build and runs every test: the native suite (also under AddressSanitizer
# and UndefinedBehaviorSanitizer), the fuzzers, and the i686 and x86_64 Windows builds,
# whose programs run under Wine (32-bit Wine only where the machine can execute it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

"$root/scripts/setup.sh"

echo "== native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
(cd build/native && ctest --output-on-failure -j"$jobs" -LE bindings)

echo "== bindings: Python (pytest), C# (Mono) and Pascal (Free Pascal) against the native simulator library"
(cd build/native && ctest --output-on-failure -j"$jobs" -L bindings -V) |
  grep -E '(passed|failed)( in|,|$)|tests passed|Test +#' || { echo "binding tests failed"; exit 1; }

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

# Both Windows builds come from the same sources; each gets its own Wine prefix.
for arch in i686 x86_64; do
  echo "== Windows build ($arch, MinGW)"
  # The traces recorded under Wine replay with the native build's vornix_trace.
  cmake -S . -B "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVORNIX_TRACE_TOOL="$root/build/native/vornix/vornix_trace" >/dev/null
  cmake --build "build/win-$arch" -j"$jobs"
done

echo "== i686 binaries, static checks (machine type, imports, export table, stdcall sizes, kit folder)"
(cd build/win-i686 && ctest --output-on-failure -L static)

echo "== Windows suite, x86_64, under 64-bit Wine"
# shellcheck source=wine-prefix.sh
source "$root/scripts/wine-prefix.sh" build/win-x86_64 win64
(cd build/win-x86_64 && ctest --output-on-failure)
"$WINESERVER" -k 2>/dev/null || true

# 32-bit Wine needs a machine that executes i386 programs; some kernels refuse them.
if [ "${VORNIX_SKIP_I686_WINE:-0}" = 1 ]; then
  echo "== Windows suite, i686: SKIPPED (VORNIX_SKIP_I686_WINE=1); its static checks above ran"
elif ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "== Windows suite, i686: SKIPPED (this machine cannot execute 32-bit programs); its static checks above ran"
elif [ -s build/i686-wine-unavailable ]; then
  echo "== Windows suite, i686: SKIPPED ($(cat build/i686-wine-unavailable)); its static checks above ran"
else
  echo "== Windows suite, i686, under 32-bit Wine"
  source "$root/scripts/wine-prefix.sh" build/win-i686 win32
  (cd build/win-i686 && ctest --output-on-failure -LE static)
  "$WINESERVER" -k 2>/dev/null || true
fi
