#!/usr/bin/env bash
# The Windows host beside the simulator DLL on a Chinese system (code page 936), told
# to record into a folder with a Chinese name: the recordings, the call log, the lock,
# the repair on start, the retirement of old recordings, --calls and --repair must all
# find exactly that folder.
#   gbk_folder_check.sh WORKDIR HOST_EXE SIM_DLL SCENARIO CHECK_PY -- RUNNER...
# The folder is named in UTF-8 here; Wine hands it to the program in the ANSI code page.
set -euo pipefail
work=$1 host=$2 dll=$3 scenario=$4 check=$5
shift 6
run=("$@")
folder=录音
rm -rf "$work"; mkdir -p "$work/$folder"
cp "$host" "$dll" "$work/"
cd "$work"
fail() { echo "FAILED: $*" >&2; exit 1; }

# A recording a crash left unfinished (its header counts no audio): 2.048 s of 440 Hz.
python3 - "$folder/20250101-000000-000_slot0_1.wav" <<'PY'
import math, struct, sys
audio = bytes(int(128 + 100 * math.sin(2 * math.pi * 440 * i / 8000)) for i in range(16384))
header = (b"RIFF" + struct.pack("<I", 50) + b"WAVEfmt " + struct.pack("<IHHIIHHH", 18, 1, 1, 8000, 8000, 1, 8, 0)
          + b"fact" + struct.pack("<II", 4, 0) + b"data" + struct.pack("<I", 0))
open(sys.argv[1], "wb").write(header + audio)
PY
# Three recordings of calls in 2020 that the log names, and yesterday's missed call.
old=(20200101-093005-120_slot0_1.wav 20200102-093005-120_slot1_2.wav 20200103-093005-120_slot0_3.wav)
{
  printf 'start,end,slot,box,direction,caller,digits,outcome,seconds,file\r\n'
  for i in 0 1 2; do
    printf '2020-01-0%dT09:30:05+08:00,2020-01-0%dT09:31:05+08:00,0,5001,incoming,%d,,answered,60,%s\r\n' \
      $((i + 1)) $((i + 1)) $((i + 1)) "${old[$i]}"
    cp "$folder/20250101-000000-000_slot0_1.wav" "$folder/${old[$i]}"
  done
  yesterday=$(date -d yesterday +%Y-%m-%dT%H:%M:%S%:z)
  printf '%s,%s,1,5002,incoming,555,,missed,0,\r\n' "$yesterday" "$yesterday"
} > "$folder/calls.csv"

VORNIX_SCENARIO="$scenario" VORNIX_SPEED=10 \
  "${run[@]}" ./vornix_host.exe --out "$folder" --no-status --stop-after 9 --keep-days 30 | tr -d '\r' > host.log
cat host.log
grep -q " repaired " host.log || fail "no repair on start"
[ "$(grep -c " retired " host.log)" = 3 ] || fail "the recordings of 2020 were not retired"
for f in "${old[@]}"; do [ ! -e "$folder/$f" ] || fail "$f is still there"; done
extra=$(find . -mindepth 1 -maxdepth 1 -type d ! -name "$folder" ! -name wineprefix)
[ -z "$extra" ] || fail "folders made besides $folder: $extra"
[ -f "$folder/.vornix_host.lock" ] || fail "no lock file in $folder"
python3 "$check" --folder "$folder" 2.048@440 20.48@440 8.192@523.25

"${run[@]}" ./vornix_host.exe --calls --out "$folder" | tr -d '\r' > calls.log
cat calls.log
grep -q 13800138000 calls.log || fail "--calls did not find the call log"
"${run[@]}" ./vornix_host.exe --repair "$folder" | tr -d '\r' > repair.log
cat repair.log
[ "$(grep -c 'whole, nothing to repair' repair.log)" = 3 ] || fail "--repair did not find the three recordings"
echo "gbk folder: ok"
