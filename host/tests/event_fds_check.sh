#!/usr/bin/env bash
# A program told of call events that leaves a child running (`sleep 60 &`) must hold
# nothing of the recorder's: no recording, no call log, no listening socket. A
# recorder started again on the same --web port must then start and record.
#   event_fds_check.sh WORKDIR HOST
set -euo pipefail
work=$1 host=$2
scenario=$(cd "$(dirname "$0")/../.." && pwd)/scenarios/default.scn
rm -rf "$work"; mkdir -p "$work"
cd "$work"
fail() { echo "FAILED: $*" >&2; exit 1; }
cat > told.sh <<'SH'
#!/bin/sh
sleep 60 &
echo $! >> sleepers.txt
SH
chmod +x told.sh
cleanup() { [ -f sleepers.txt ] && xargs -r kill < sleepers.txt 2>/dev/null || true; }
trap cleanup EXIT

# Output to files: a child that kept a pipe open would hold up its reader.
"$host" --out rec --no-status --scenario "$scenario" --speed 10 --web 127.0.0.1:0 --on-event ./told.sh \
  > first.txt 2>&1 < /dev/null || fail "first run: $(cat first.txt)"
port=$(sed -n 's|^web console: http://127.0.0.1:\([0-9]*\)/$|\1|p' first.txt)
[ -n "$port" ] || fail "no web console in $(cat first.txt)"
[ -s sleepers.txt ] || fail "the program was never told"
while read -r pid; do
  fds=$(ls /proc/"$pid"/fd 2>/dev/null | sort -n | tr '\n' ' ')
  [ "$fds" = "0 1 2 " ] || fail "a program's child holds descriptors $fds: $(ls -l /proc/"$pid"/fd)"
done < sleepers.txt

"$host" --out rec --no-status --scenario "$scenario" --speed 10 --web 127.0.0.1:"$port" \
  > second.txt 2>&1 < /dev/null || fail "second run on port $port: $(cat second.txt)"
grep -q "^finished: [1-9][0-9]* recordings in rec" second.txt || fail "second run recorded nothing: $(cat second.txt)"
echo "event descriptors: ok ($(wc -l < sleepers.txt) programs' children looked at)"
