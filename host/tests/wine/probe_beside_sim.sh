#!/usr/bin/env bash
# Runs a probe program in a folder of its own beside the Windows host and the simulator
# DLL, with a scenario for the simulated boxes:
#   probe_beside_sim.sh WORKDIR HOST_EXE SIM_DLL PROBE_EXE SCENARIO -- RUNNER...
set -euo pipefail
work=$1 host=$2 dll=$3 probe=$4 scenario=$5
shift 6
rm -rf "$work"; mkdir -p "$work"
cp "$host" "$dll" "$probe" "$work/"
cd "$work"
VORNIX_SCENARIO="$scenario" VORNIX_SPEED=10 "$@" "./$(basename "$probe")"
