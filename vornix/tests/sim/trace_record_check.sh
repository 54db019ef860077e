#!/usr/bin/env bash
# A field trace recorded as at a site, over simulated boxes: the foreign host's call
# through the traced library writes one trace into VORNIX_TRACE_DIR; with the native
# vornix_trace at hand it replays clean.
#   trace_record_check.sh <folder> <scenario> <foreign_host> <traced library> <replay tool or -> [runner...]
set -euo pipefail
folder=$1; scenario=$2; host=$3; library=$4; tool=$5; shift 5
rm -rf "$folder" && mkdir -p "$folder"
VORNIX_TRACE_DIR=$folder VORNIX_SCENARIO=$scenario VORNIX_SPEED=8 "$@" "$host" "$library" --record "$folder/call.wav"
traces=("$folder"/vornix-*.vxt)
[ ${#traces[@]} = 1 ] && [ -s "${traces[0]}" ] || { echo "FAILED: expected one trace in $folder"; exit 1; }
echo "trace: ${traces[0]} ($(stat -c %s "${traces[0]}") bytes)"
if [ "$tool" != - ]; then "$tool" replay "${traces[0]}"; fi
