#!/usr/bin/env bash
# The main job: builds the native host and runs it on the simulated line boxes.
# Without arguments it plays scenarios/default.scn and leaves its recordings in
# ./recordings; arguments go to the host (see --help). VORNIX_DEMO_BUILD picks the
# build tree (default build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
build=${VORNIX_DEMO_BUILD:-build/native}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vornix_host
exec "$build/host/vornix_host" "$@"
