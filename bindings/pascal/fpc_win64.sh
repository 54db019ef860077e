#!/usr/bin/env bash
# Compiles for 64-bit Windows with Debian's Free Pascal, which has the compiler for
# that target but not its run-time units; those are compiled from the Free Pascal
# sources (fpc-source) first.
#   fpc_win64.sh rtl UNITS                                the run-time units into UNITS
#   fpc_win64.sh program UNITS OUTPUT.exe SOURCE DIR...   a program against them and DIR...
set -euo pipefail
mode=$1 units=$2
shift 2
rtl=$(ls -d /usr/share/fpcsrc/*/rtl | tail -1)
fpc=(fpc -n -Twin64 -Px86_64 -Fu"$units")
if [ "$mode" = rtl ]; then
  fpc+=(-FU"$units")
  mkdir -p "$units"
  sources=(-Fu"$rtl/win64" -Fu"$rtl/win" -Fu"$rtl/win/wininc" -Fu"$rtl/inc" -Fu"$rtl/objpas" -Fu"$rtl/x86_64"
           -Fi"$rtl/win64" -Fi"$rtl/win" -Fi"$rtl/win/wininc" -Fi"$rtl/inc" -Fi"$rtl/objpas"
           -Fi"$rtl/objpas/sysutils" -Fi"$rtl/objpas/classes" -Fi"$rtl/x86_64")
  {
    (cd "$rtl/win64" && "${fpc[@]}" -Us -Sg "${sources[@]}" system.pp)
    for unit in objpas/objpas.pp win/sysutils.pp win64/windows.pp inc/fpintres.pp win64/sysinit.pp; do
      "${fpc[@]}" "${sources[@]}" "$rtl/$unit"
    done
  } > "$units/rtl.log" 2>&1 || { cat "$units/rtl.log" >&2; exit 1; }
else
  out=$1 source=$2
  shift 2
  dirs=()
  for dir in "$@"; do dirs+=(-Fu"$dir"); done
  # Warnings fail the build, as they do for the C and C++ code.
  # The program's own units go beside it, apart from other programs built at once.
  work="$out.units"
  mkdir -p "$work"
  "${fpc[@]}" -Sew -vw "${dirs[@]}" -FU"$work" -o"$out" "$source"
fi
