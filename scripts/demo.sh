#!/usr/bin/env bash
# The main job: builds the native host and runs it on the simulated line boxes, then
# shows the calls it logged. Without arguments it plays scenarios/default.scn into a
# fresh folder of its own, recordings/demo-<date>-<time> (named on the first line), so
# that the table shows the run just played; arguments go to the host (see --help).
# Installs only what the host's build needs (no test tools, no Windows cross
# compilers). VORNIX_DEMO_BUILD picks the build tree (default build/demo: a Release
# tree without the tests, apart from the test build in build/native); VORNIX_DEMO_HOST
# names a host already built instead (the demo's test uses its own).
# With --web ADDR:PORT the scenario plays in real time (unless --speed says otherwise),
# so that there is time to open the web console and watch the calls come in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The folder the host records into, to show its call log afterwards; the other jobs
# (--help, --repair, --calls) print what they have to say themselves.
out=
show_calls=1
web=0
speed_given=0
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    -o|--out) out=${args[i + 1]:-} ;;
    --out=*) out=${args[i]#--out=} ;;
    -h|--help|/?|--repair|--calls) show_calls=0 ;;
    --web|--web=*) web=1 ;;
    --speed|--speed=*) speed_given=1 ;;
  esac
done
if [ "$show_calls" = 1 ]; then
  if [ -z "$out" ]; then
    # A fresh folder each run: the simulated clock runs ahead of the real one, so two
    # runs' calls in one log would interleave.
    out=recordings/demo-$(date +%Y%m%d-%H%M%S)
    while [ -e "$out" ]; do out=$out-; done
    args+=(--out "$out")
    echo "demo folder: $root/$out (this run's recordings and calls.csv)"
  else
    echo "demo folder: $out (given with --out: the table shows every call logged there)"
  fi
fi

host=${VORNIX_DEMO_HOST:-}
if [ -z "$host" ]; then
  "$root/scripts/setup.sh" demo
  build=${VORNIX_DEMO_BUILD:-build/demo}
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORNIX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target vornix_host
  host="$build/host/vornix_host"
fi

if [ "$web" = 1 ] && [ "$speed_given" = 0 ]; then
  args+=(--speed 1)
  echo "the scenario plays in real time (about a minute): open the web console's address below"
fi

status=0
"$host" "${args[@]}" || status=$?
if [ "$show_calls" = 1 ] && [ "$status" = 0 ]; then
  echo
  echo "calls logged in $out/calls.csv:"
  "$host" --calls --out "$out"
fi
exit "$status"
