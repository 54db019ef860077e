#!/usr/bin/env bash
# Runs one of the host guide's hosts against the simulated boxes playing the example
# scenario, then checks what a host developer would: the events it printed and the
# recordings, read back with Python's WAV reader.
#   guide_run_check.sh WORKDIR SCENARIO CHECK_PY -- COMMAND...   (COMMAND gets SECONDS FOLDER)
set -euo pipefail
work=$1 scenario=$2 check=$3
shift 3
[ "$1" = "--" ] && shift
rm -rf "$work"; mkdir -p "$work/recordings"
# The example, then a call on box1 (slot 1 by then) during which box3 is plugged in
# (slot 2): the call goes on in its slot. Then box3 pulled and box4 plugged in at
# once: the count stays 3, and only the serial codes show the change.
sed '/^at [0-9.]* *end$/d' "$scenario" > "$work/guide.scn"
printf '%s\n' "at 66 ring box1" "at 67 offhook box1" "at 69 plug box3" "at 75.2 hangup box1" \
  "at 78 unplug box3" "at 78 plug box4" "at 80 end" >> "$work/guide.scn"
# 64 s of scenario at twenty times the speed, and the 6 s ring gap of the missed call.
# Under Wine a host's first rounds are slow enough to miss the first call's ring (0.1 s
# to 0.3 s in at that speed): GUIDE_SPEED=5 plays it slower there.
speed=${GUIDE_SPEED:-20}
VORNIX_SCENARIO="$work/guide.scn" VORNIX_SPEED="$speed" "$@" $(( (64 + speed - 1) / speed + 6 )) "$work/recordings" |
  tr -d '\r' | tee "$work/host.log"
for event in "caller 13800138000" "hung up, digits 123#" "missed call from 02160012345" "box 5001" "box 5002" \
             "slot 2: box 5004"; do
  grep -qF -- "$event" "$work/host.log" || { echo "FAIL: the host never printed '$event'" >&2; exit 1; }
done
python3 "$check" --folder "$work/recordings" 20.48@440 8.192@523.25 8.192@523.25
