#!/usr/bin/env bash
# The recorder's soak: a seeded scenario of weeks of calls on several boxes, played at
# full speed with retirement, programs told of calls and clients of the web console,
# then checked call by call (scripts/soak/soak_check.py says what). One summary line;
# exit status 1 on any loss.
#
#   scripts/soak.sh [--seed N] [--days D] [--boxes B] [--keep-days K] [--short]
#                   [--windows] [--host PROGRAM] [--sim-dll DLL] [--work DIR]
#
# Natively (default 30 days, 8 boxes, 7 kept) it builds a Release recorder in build/soak
# unless --host names one. --windows plays a simulated week on 4 boxes (3 days kept) with the x86_64
# vornix_host.exe beside the simulator DLL under 64-bit Wine, recording into a folder
# with a Chinese name (default build/win-x86_64, which it builds when missing).
# Under Wine the recorder moves the simulator DLL's clock itself (--simulator-clock),
# as the native one plays its scenario at --speed 0: both as fast as the machine can.
# --short is the test command's form: two simulated days on 4 boxes, a day kept; under
# Wine six hours (each program told of an event is a Wine process start there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seed=1 days= boxes= keep_days= windows=0 short=0 host= dll= work=
while [ $# -gt 0 ]; do
  case $1 in
    --seed) seed=$2; shift 2 ;;
    --days) days=$2; shift 2 ;;
    --boxes) boxes=$2; shift 2 ;;
    --keep-days) keep_days=$2; shift 2 ;;
    --windows) windows=1; shift ;;
    --short) short=1; shift ;;
    --host) host=$2; shift 2 ;;
    --sim-dll) dll=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "soak: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ "$short" = 1 ] && [ "$windows" = 1 ]; then
  : "${days:=0.25}" "${boxes:=4}" "${keep_days:=1}"
elif [ "$short" = 1 ]; then
  : "${days:=2}" "${boxes:=4}" "${keep_days:=1}"
elif [ "$windows" = 1 ]; then
  : "${days:=7}" "${boxes:=4}" "${keep_days:=3}"
else
  : "${days:=30}" "${boxes:=8}" "${keep_days:=7}"
fi
side=$([ "$windows" = 1 ] && echo windows || echo native)
: "${work:=$root/build/soak-$side-$days-days}"

# The recordings go into a small tmpfs, mounted in a mount namespace of this run's own
# so that nothing is left mounted; where no namespace can be had, the real disk.
if [ -z "${SOAK_IN_NAMESPACE:-}" ]; then
  for ns in "unshare -m --propagation private" "unshare -rm --propagation private"; do
    if $ns true 2>/dev/null; then
      SOAK_IN_NAMESPACE=1 exec $ns "$0" --seed "$seed" --days "$days" --boxes "$boxes" --keep-days "$keep_days" \
        $([ "$windows" = 1 ] && echo --windows) ${host:+--host "$host"} ${dll:+--sim-dll "$dll"} --work "$work"
    fi
  done
fi
tmpfs=$([ -n "${SOAK_IN_NAMESPACE:-}" ] && echo --tmpfs || true)

rm -rf "$work"; mkdir -p "$work"
common=(--work "$work" --seed "$seed" --days "$days" --boxes "$boxes" --keep-days "$keep_days" $tmpfs)
if [ "$windows" = 0 ]; then
  if [ -z "$host" ]; then
    cmake -S "$root" -B "$root/build/soak" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build/soak" -j2 --target vornix_host >/dev/null
    host=$root/build/soak/host/vornix_host
  fi
  exec python3 "$root/scripts/soak/soak_run.py" "${common[@]}" --poll-ms 100 --host "$host"
fi

build=$root/build/win-x86_64
if [ -z "$host" ]; then
  if [ ! -f "$build/host/vornix_host.exe" ] || [ ! -f "$build/vornix/sim/vornix.dll" ]; then
    cmake --build "$root/build/native" -j2 --target vornix_trace >/dev/null
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DVORNIX_TRACE_TOOL="$root/build/native/vornix/vornix_trace" >/dev/null
    cmake --build "$build" -j2 --target vornix_host vornix_sim >/dev/null
  fi
  host=$build/host/vornix_host.exe dll=$build/vornix/sim/vornix.dll
fi
cp "$host" "$dll" "$work/"
# A prefix of this run's own: its server is started in this namespace, so the files it
# opens for the recorder are the tmpfs's (one started outside would see what lies beneath).
unset WINEPREFIX
# shellcheck source=wine-prefix.sh
source "$root/scripts/wine-prefix.sh" "$work" win64
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
exec python3 "$root/scripts/soak/soak_run.py" "${common[@]}" --windows --recordings 录音 \
  --poll-ms 100 --host "$WINELOADER" ./vornix_host.exe
