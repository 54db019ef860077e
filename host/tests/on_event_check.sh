#!/usr/bin/env bash
# The recorder over the simulated boxes (the default scenario: rings, answered and
# missed calls), telling a program of every call event: each one the host shows
# reaches the program, with its variables.
#   on_event_check.sh WORKDIR PROBE HOST [SIM_DLL -- RUNNER...]
# With a simulator DLL (Windows) the host plays the scenario named in the environment
# and is stopped after it; natively it plays it itself.
set -euo pipefail
work=$1 probe=$2 host=$3
scenario=$(cd "$(dirname "$0")/../.." && pwd)/scenarios/default.scn
rm -rf "$work"; mkdir -p "$work/events"
cp "$probe" "$host" "$work/"
cd "$work"
# The office's phonebook, saved in GBK with Chinese headings, names two of the callers;
# the name reaches the program in the system's code page (GBK under Wine's Chinese
# locale, UTF-8 natively), without the characters a batch file would act on.
printf '姓名,公司,电话,地址\n张三,水站&Co,138 0013 8000,"杭州市文三路1号"\n李四,,021-6001 2345,\n' |
  iconv -f UTF-8 -t GBK > phonebook.csv
if [ $# -gt 3 ]; then system_text() { iconv -f UTF-8 -t GBK; }; else system_text() { cat; }; fi
if [ $# -gt 3 ]; then
  cp "$4" "$work/"; shift 5
  VORNIX_SCENARIO="$scenario" VORNIX_SPEED=5 "$@" ./"$(basename "$host")" --out recordings --no-status \
    --ring-gap 2 --stop-after 20 --on-event "$(basename "$probe")" --phonebook phonebook.csv | tr -d '\r' > host.log
else
  ./"$(basename "$host")" --out recordings --no-status --scenario "$scenario" --speed 10 \
    --on-event ./"$(basename "$probe")" --phonebook phonebook.csv > host.log
fi
# The recorder does not wait for the last programs: give them a moment.
told=$(grep -acE '  slot [0-9 ]{2}  (ring|caller-id|answered|hung-up|missed) ' host.log || true)
finished=$(grep -aE '  slot [0-9 ]{2}  (hung-up|cut|no-space) ' host.log | grep -ac '\.wav' || true)
for _ in $(seq 50); do [ "$(cat events/*.txt 2>/dev/null | wc -l)" -ge $((told + finished)) ] && break; sleep 0.1; done
cat events/*.txt | tr -d '\r' > events.txt
fail=0
# Under Wine the simulator's clock runs from the library's loading, so a slow start
# may cost the scenario's first calls: the program must have been told of what the
# host saw, and of a whole call at least.
for kind in ring caller-id answered hung-up missed recorded; do
  if [ $kind = recorded ]; then want=$finished; else want=$(grep -acE "  slot [0-9 ]{2}  $kind " host.log || true); fi
  got=$(grep -ac "^VORNIX_EVENT=$kind|" events.txt || true)
  [ "$got" = "$want" ] || { echo "FAILED: $got $kind events, $want expected"; fail=1; }
done
[ "$finished" -ge 1 ] || { echo "FAILED: no call recorded"; fail=1; }
# Every variable of the last recording, the time in its shape.
read -r slot caller digits file < <(grep -aE '  slot [0-9 ]{2}  hung-up ' host.log | tail -1 |
  sed -E 's/^[^ ]+  slot ([0-9]+) +hung-up +([^ ]+) +([^ ]+) +([^ ]+).*/\1 \2 \3 \4/; s/ - / _ /g')
[ "$caller" = - ] && caller=; [ "$digits" = - ] && digits=; [ "$digits" = _ ] && digits=
literal() { printf '%s' "$1" | sed 's/[][\\.*+?|(){}^$]/\\&/g'; }  # Windows names hold backslashes
line="VORNIX_EVENT=recorded\|VORNIX_SLOT=$slot\|VORNIX_SERIAL=500[12]\|VORNIX_CALLER=$(literal "$caller")\|"
line+="VORNIX_DIGITS=$(literal "$digits")\|VORNIX_FILE=$(literal "$file")\|"
grep -aEq "^${line}VORNIX_TIME=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2}\|VORNIX_CALLER_NAME=" events.txt ||
  { echo "FAILED: no event $line"; fail=1; }
# Every event of a caller the phonebook knows carries the card; the others none.
for who in "13800138000|张三|水站Co|杭州市文三路1号" "02160012345|李四||" "13912345678|||"; do
  IFS='|' read -r number name company address <<< "$who"
  want=$(printf '|VORNIX_CALLER_NAME=%s|VORNIX_CALLER_COMPANY=%s|VORNIX_CALLER_ADDRESS=%s' "$name" "$company" "$address" | system_text)
  of=$(grep -aF "|VORNIX_CALLER=$number|" events.txt || true)
  [ -z "$of" ] && continue
  wrong=$(printf '%s\n' "$of" | grep -avF -- "$want" || true)
  [ -z "$wrong" ] || { echo "FAILED: $number not named as $want: $wrong"; fail=1; }
done
if grep -a '  fault  ' host.log | grep -aqv 'left to finish'; then echo "FAILED: faults logged"; fail=1; fi
[ $fail = 0 ] || { cat host.log events.txt; exit 1; }
echo "on-event check: ok ($((told + finished)) events told)"
