#!/usr/bin/env bash
# The main job: builds the native host and runs it on the simulated line boxes, then
# shows the calls it logged. Without arguments it plays scenarios/default.scn and leaves
# its recordings and calls.csv in ./recordings; arguments go to the host (see --help).
# Installs only what the host's build needs (no test tools, no Windows cross
# compilers). VORNIX_DEMO_BUILD picks the build tree (default build/demo: a Release
# tree without the tests, apart from the test build in build/native).
# With --web ADDR:PORT the scenario plays in real time (unless --speed says otherwise),
# so that there is time to open the web console and watch the calls come in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" demo
build=${VORNIX_DEMO_BUILD:-build/demo}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORNIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vornix_host
host="$build/host/vornix_host"

# The folder the host records into, to show its call log afterwards; the other jobs
# (--help, --repair, --calls) print what they have to say themselves.
out=recordings
show_calls=1
web=0
speed_given=0
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    -o|--out) out=${args[i + 1]:-$out} ;;
    --out=*) out=${args[i]#--out=} ;;
    -h|--help|/?|--repair|--calls) show_calls=0 ;;
    --web|--web=*) web=1 ;;
    --speed|--speed=*) speed_given=1 ;;
  esac
done
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
