#!/usr/bin/env bash
# Field traces recorded as at a site, over simulated boxes: the foreign host, in the
# mode given (--record: the call of foreign_call.scn; --sessions: two sessions of
# two_sessions.scn), works through the traced library, which writes one trace per
# session into VORNIX_TRACE_DIR; with the native vornix_trace at hand they replay clean
# together, in session order, as the site's traces of one process do.
#   trace_record_check.sh <folder> <scenario> <foreign_host> <traced library> <replay tool or -> <mode> <traces> [runner...]
set -euo pipefail
folder=$1; scenario=$2; host=$3; library=$4; tool=$5; mode=$6; expected=$7; shift 7
rm -rf "$folder" && mkdir -p "$folder"
VORNIX_TRACE_DIR=$folder VORNIX_SCENARIO=$scenario VORNIX_SPEED=8 "$@" "$host" "$library" "$mode" "$folder/call.wav"
mapfile -t traces < <(ls "$folder"/vornix-*.vxt | sort -V)
[ ${#traces[@]} = "$expected" ] || { echo "FAILED: expected $expected traces in $folder, found ${#traces[@]}"; exit 1; }
for t in "${traces[@]}"; do [ -s "$t" ] || { echo "FAILED: $t is empty"; exit 1; }; echo "trace: $t ($(stat -c %s "$t") bytes)"; done
if [ "$tool" != - ]; then "$tool" replay "${traces[@]}"; fi
