#!/usr/bin/env bash
# The recorder as a Windows service under Wine: installed with relative paths (the
# folder, the console's password file, the program told of calls), started and
# stopped with the service manager's own commands while the simulator DLL plays
# vornix.scn beside it (a service does not get this shell's environment), recording
# into a folder with a Chinese name whose last character ends in the byte 0x5C, then
# its recordings, call log, host.log and told program checked, and removed. Its
# restart on a crash and its event log text are read back as Windows programs read
# them. Services whose console cannot start, or whose folder another recorder holds,
# must stop at once, never reported running, and say why in host.log.
#   service_check.sh WORKDIR HOST_EXE SIM_DLL SCENARIO CHECK_PY SERVICE_PROBE EVENT_PROBE -- RUNNER...
set -euo pipefail
work=$1 host=$2 dll=$3 scenario=$4 check=$5 probe=$6 told=$7
shift 8
run=("$@")
unset VORNIX_SCENARIO VORNIX_SPEED
rm -rf "$work"; mkdir -p "$work/events"
cp "$host" "$dll" "$probe" "$told" "$work/"
cp "$scenario" "$work/vornix.scn"
cd "$work"
echo "s3cret" > pw.txt
# Given in the ANSI code page (GBK), and kept so up to the service; 運 is DF 5C in GBK.
rec="录音 運"
fail() { echo "FAILED: $*" >&2; exit 1; }
# Output through a file, never a pipe: the first program of the prefix starts Wine's
# server and service manager, which keep its output open long after it has ended.
wine_() {
  local rc=0
  "${run[@]}" "$@" < /dev/null > wine.out 2>&1 || rc=$?
  tr -d '\r' < wine.out | iconv -c -f GBK -t UTF-8
  return $rc
}
host_() { wine_ ./vornix_host.exe "$@"; }

# Wine ends its service processes (killed, not stopped) once no other program of the
# prefix runs: a console waiting on a pipe keeps the prefix up for the whole check.
# Only `sleep` writes to its pipe: when it ends, the console does too.
mkfifo hold
sleep 600 > hold &
sleeper=$!
"${run[@]}" cmd < hold > /dev/null 2>&1 &
holder=$!
cleanup() {
  "${run[@]}" ./vornix_host.exe --service remove > /dev/null 2>&1 || true
  kill "$sleeper" 2>/dev/null || true
  for _ in $(seq 40); do kill -0 "$holder" 2>/dev/null || break; sleep 0.25; done
  kill "$holder" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

state() { wine_ sc query vornix_recorder | sed -n 's/.*STATE *: *[0-9]* *\([A-Z_]*\).*/\1/p'; }
# Wine's service manager answers before a start or stop is done: poll its state.
wait_state() {
  for _ in $(seq 120); do [ "$(state)" = "$1" ] && return 0; sleep 0.25; done
  fail "the service never became $1 (it is '$(state)')"
}
wait_line() {
  for _ in $(seq 160); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.25; done
  fail "no '$2' in $1"
}

out=$(host_ --service status) && fail "status of no service succeeded: $out"
echo "$out" | grep -q "is not installed" || fail "status before install: $out"
out=$(host_ --service remove) && fail "removing no service succeeded: $out"
echo "$out" | grep -q "is not installed" || fail "remove before install: $out"

host_ --service install --out "$rec" --poll-ms 20 --web 127.0.0.1:0 --web-password-file pw.txt \
  --on-event event_probe.exe | tee install.txt
here='[A-Z]:\\[^ ]*'
grep -qE -- "--service run --poll-ms 20 --web 127.0.0.1:0 --out \"$here\\\\$rec\" --on-event $here\\\\event_probe.exe --web-password-file $here\\\\pw.txt\$" install.txt ||
  fail "not registered with every path made absolute"
grep -q "restarted by the service manager 5 s after a crash" install.txt || fail "no restart after a crash"
wine_ ./"$(basename "$probe")" config vornix_recorder | tee config.txt
# Wine's service manager takes the failure actions and keeps none to read back.
grep -qE "on failure 1: restart after 5000 ms|the service manager keeps none" config.txt ||
  fail "the service manager has no restart after a crash"
grep -q 'vornix_host.exe: entry reads "probe text"' config.txt || fail "the event log has no text of the recorder's"
out=$(host_ --service install --out other) && fail "a second install succeeded: $out"
echo "$out" | grep -q "already installed; nothing changed" || fail "second install: $out"
host_ --service status | grep -q -- "--poll-ms 20 --web 127.0.0.1:0 --out" || fail "the second install changed the service"

wine_ sc start vornix_recorder > /dev/null || true
wait_state RUNNING
host_ --service status | grep -q "is installed and running" || fail "status does not say running"
wait_line "$rec"/host.log " hung-up "
wine_ sc stop vornix_recorder | tee stop.txt
# Pending while the recordings are finished; a quick close can be over before sc reads
# the state back.
grep -qE "STOP_PENDING|STOPPED" stop.txt || fail "the stop was not reported as pending"
wait_state STOPPED
iconv -f GBK -t UTF-8 < "$rec"/host.log | tee host.txt
for event in "^web console: http://127.0.0.1:" " plugged " " ring  .*13800138000" " hung-up .*\([0-9.]+ s\)" \
             " cut .*\(host stopped\)" "^stopped: 2 recordings in [A-Z]:"; do
  grep -qE "$event" host.txt || fail "host.log lacks $event"
done
grep -q "^VORNIX_EVENT=hung-up|" events/*.txt || fail "the program told of calls heard of no hang-up"
if grep " fault " host.txt | grep -qv "left to finish"; then fail "faults in host.log"; fi
cat "$rec"/calls.csv
# Each recording as long as its row says, in its box's tone.
for row in ',incoming,13800138000,,answered,[0-9]+,.*_slot0_13800138000\.wav 440' \
           ',outgoing,,,stopped,[0-9]+,.*_slot1_unknown\.wav 660'; do
  line=$(tr -d '\r' < "$rec"/calls.csv | grep -E "${row% *}") || fail "no row ${row% *}"
  python3 "$check" "$rec/$(echo "$line" | cut -d, -f10)" "$(echo "$line" | cut -d, -f9)" "${row##* }"
done

host_ --service remove | grep -q "removed the service" || fail "remove"
out=$(host_ --service status) && fail "status after remove succeeded: $out"
out=$(wine_ reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\vornix_recorder') &&
  fail "the event source stays after remove: $out"

# A start-up failure of the console: stopped at once with exit code 1, never running.
host_ --service install --out console --web 127.0.0.1:0 --web-password-file missing.txt > /dev/null
wine_ ./"$(basename "$probe")" start vornix_recorder | tee start.txt
grep -q "STOPPED" start.txt || fail "the service did not stop"
if grep -q "RUNNING" start.txt; then fail "reported running before the console had started"; fi
wait_line console/host.log "web console: .*[A-Z]:.*missing.txt"
wine_ sc query vornix_recorder | grep -q "SERVICE_EXIT_CODE *: *1 " || fail "the console's failure is not the exit code"
host_ --service remove > /dev/null

# A start-up failure: the folder is another recorder's.
mkdir held
"${run[@]}" ./vornix_host.exe --out held --no-status --stop-after 60 > console.txt 2>&1 &
console=$!
for _ in $(seq 120); do [ -e held/.vornix_host.lock ] && break; sleep 0.25; done
host_ --service install --out held > /dev/null
wine_ sc start vornix_recorder > /dev/null || true
wait_line held/host.log "another vornix_host records into [A-Z]:.*held"
wait_state STOPPED
wine_ sc query vornix_recorder | grep -q "SERVICE_EXIT_CODE *: *1 " || fail "the failed start is not the service's exit code"
host_ --service remove > /dev/null
kill "$console" 2>/dev/null || true
wait "$console" 2>/dev/null || true
echo "service: ok"
