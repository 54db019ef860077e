#!/usr/bin/env bash
# The main job: builds the native host and runs it on the simulated line boxes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$(nproc)" --target vornix_host
exec build/native/host/vornix_host "$@"
