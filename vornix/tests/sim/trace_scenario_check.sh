#!/usr/bin/env bash
# A site's day, traced and played again: the recorder runs the example scenario on the
# native traced library, the trace replays clean, and the scenario made from it gives
# the recorder the same calls (box, caller, digits, outcome) and recording lengths.
#   trace_scenario_check.sh <out> <vornix_host> <traced library folder> <vornix_trace> <scenario> <seconds>
set -euo pipefail
out=$1; host=$2; traced=$3; tool=$4; scenario=$5; seconds=$6
rm -rf "$out" && mkdir -p "$out/site" "$out/again" "$out/trace"
VORNIX_TRACE_DIR=$out/trace VORNIX_SPEED=10 LD_LIBRARY_PATH=$traced \
  "$host" -s "$scenario" -o "$out/site" --no-status --stop-after "$seconds" >/dev/null
trace=$(ls "$out"/trace/vornix-*.vxt)
"$tool" replay "$trace"
"$tool" scenario "$trace" > "$out/site.scn"
VORNIX_SPEED=10 "$host" -s "$out/site.scn" -o "$out/again" --no-status --stop-after "$seconds" >/dev/null
calls() { cut -d, -f4-8 "$1/calls.csv"; (cd "$1" && for f in *.wav; do stat -c %s "$f"; done); }
if ! diff <(calls "$out/site") <(calls "$out/again"); then
  echo "FAILED: the scenario made from the trace gives other calls"; cat "$out/site.scn"; exit 1
fi
echo "scenario from the trace: the same $(($(wc -l < "$out/site/calls.csv") - 1)) calls"
