#!/usr/bin/env bash
# Scenario files the simulated library cannot play: each is reported once on standard
# error, naming the file (and the line, where there is one), and SW_Init then finds no
# boxes. Table: case name, the file named by VORNIX_SCENARIO, the message expected
# (an extended regular expression, seen exactly once).
#   bad_scenarios_check.sh WORKDIR FOREIGN_HOST LIBRARY [RUNNER ...]
set -euo pipefail
work=$1; host=$2; library=$3; shift 3
run=("$@")
rm -rf "$work"; mkdir -p "$work/a folder"
printf 'at 0 plug box1\nat 1 ring box1\nat 2 rnig box1\n' > "$work/typo.scn"
printf 'at 0 plug box1\nat 0 audio box1 wav float.wav\n' > "$work/float.scn"
# 32-bit float samples: a WAV, but not PCM.
python3 - "$work/float.wav" <<'PY'
import struct, sys
data = struct.pack("<4f", 0.0, 0.5, -0.5, 0.0)
fmt = struct.pack("<HHIIHH", 3, 1, 8000, 32000, 4, 32)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY

failed=0
check() {
  local name=$1 scenario=$2 expected=$3 out err status=0
  out=$(VORNIX_SCENARIO="$scenario" "${run[@]}" "$host" "$library" --expect-no-boxes 2>"$work/stderr") || status=$?
  err=$(tr -d '\r' < "$work/stderr")
  local times
  times=$(grep -cE -- "$expected" <<<"$err" || true)
  if [ "$status" -ne 0 ] || [ "$times" -ne 1 ]; then
    echo "FAIL: $name: exit $status, message '$expected' seen $times times"
    echo "  stdout: $out"; echo "  stderr: $err"
    failed=$((failed + 1))
  else
    echo "$name: $(grep -E -- "$expected" <<<"$err")"
  fi
}
check "missing file" "$work/missing.scn" "missing\.scn: cannot be read"
check "a folder" "$work/a folder" "a folder: is a folder, not a scenario file"
check "syntax error" "$work/typo.scn" "typo\.scn:3: unknown command 'rnig'"
check "WAV that is not PCM" "$work/float.scn" "float\.scn:2: .*float\.wav: only PCM"
[ "$failed" -eq 0 ] || exit 1
echo "bad scenario files: reported once each, no boxes"
