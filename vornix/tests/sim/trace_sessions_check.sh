#!/usr/bin/env bash
# The two sessions of foreign_host --sessions, from their field traces (recorded by
# trace_record_check.sh into FOLDER), as the native vornix_trace reads them:
#   replay    both replay clean together, as a process's traces do: refused arguments,
#             a recording whose file could not be made, one whose file went
#   and the second session alone:
#   scenario  its scenario holds the ring with its caller and the box's serial code:
#             each trace file starts with no earlier status report to repeat
#   times     past the wrap of the library's clock the timeline runs on from 0, and the
#             scenario puts the off-hook where it came, 1 to 3 s into the session
#   trace_sessions_check.sh <folder> <vornix_trace> replay|scenario|times
set -euo pipefail
folder=$1; tool=$2; check=$3
mapfile -t traces < <(ls "$folder"/vornix-*.vxt | sort -V)
second=${traces[1]:-}
[ -n "$second" ] || { echo "FAILED: no second trace in $folder"; exit 1; }
fail() { echo "FAILED: $*"; exit 1; }
case $check in
replay)
  "$tool" replay "${traces[@]}" || fail "the sessions do not replay as they happened" ;;
scenario)
  made=$("$tool" scenario "$second")
  grep -q "plug box1 serial 5100" <<<"$made" || fail "no serial code in the scenario:"$'\n'"$made"
  grep -q "ring box1 caller 13800138000" <<<"$made" || fail "no ring in the scenario:"$'\n'"$made"
  echo "the second session's scenario holds the ring and the serial code" ;;
times)
  shown=$("$tool" show "$second")
  if grep -qE '^ +[0-9]+ +-' <<<"$shown"; then fail "negative times in the timeline"; fi
  lifted=$("$tool" scenario "$second" | sed -n 's/^at \([0-9.]*\) offhook .*/\1/p')
  awk -v t="$lifted" 'BEGIN { exit !(t >= 0.5 && t <= 4) }' || fail "the off-hook at '$lifted' s, not 1 to 3 s in"
  echo "past the wrap: the timeline runs on, the off-hook at $lifted s" ;;
*) echo "usage: trace_sessions_check.sh FOLDER VORNIX_TRACE replay|scenario|times"; exit 2 ;;
esac
