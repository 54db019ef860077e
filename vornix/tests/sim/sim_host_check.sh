#!/usr/bin/env bash
# The Windows host over the simulator DLL, exactly as a host developer would try it:
# the two files side by side in a folder of their own, a scenario in the environment,
# then the recordings read back with Python's WAV reader.
#   sim_host_check.sh WORKDIR HOST_EXE SIM_DLL SCENARIO SPEED STOP_AFTER CHECK_PY EXPECTED... -- RUNNER...
set -euo pipefail
work=$1 host=$2 dll=$3 scenario=$4 speed=$5 stop_after=$6 check=$7
shift 7
expected=()
while [ "$1" != "--" ]; do expected+=("$1"); shift; done
shift
run=("$@")
rm -rf "$work"; mkdir -p "$work/recordings"
cp "$host" "$dll" "$work/"
cd "$work"
VORNIX_SCENARIO="$scenario" VORNIX_SPEED="$speed" \
  "${run[@]}" ./vornix_host.exe --out recordings --no-status --stop-after "$stop_after" | tr -d '\r' | tee host.log
python3 "$check" --folder recordings "${expected[@]}"
