#!/usr/bin/env bash
# Builds the benchmarks in a Release tree of their own and runs them all.
# Extra arguments go to every benchmark (e.g. --benchmark_filter=Sweep).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
build=${VORNIX_BENCH_BUILD:-build/bench}  # the build tree may be chosen
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
benches=()
for src in benchmarks/*_bench.cpp; do
  benches+=("$(basename "$src" .cpp)")
done
cmake --build "$build" -j"$(nproc)" --target "${benches[@]}" vornix_host
for b in "${benches[@]}"; do
  echo "== $b"
  "$build/benchmarks/$b" "$@"
done
# The web console with the host as a program of its own: a year's call log, and 200
# clients while 64 lines record (about three minutes).
echo "== web_console_bench"
python3 benchmarks/web_console_bench.py "$build/host/vornix_host" "$build/web_console_bench"
# A normal login while one client holds the console's connections (about a minute).
echo "== web_lockout_bench"
python3 benchmarks/web_lockout_bench.py "$build/host/vornix_host" "$build/web_lockout_bench"
# The calls' notes with the host as a program of its own: a note seen by a second client,
# and 50 clients writing notes while 16 lines record (about a minute and a half).
echo "== notes_web_bench"
python3 benchmarks/notes_web_bench.py "$build/host/vornix_host" "$build/notes_web_bench"
