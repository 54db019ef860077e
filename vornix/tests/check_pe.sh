#!/usr/bin/env bash
# Static checks of a shipped Windows binary, read from the file without running it:
#   check_pe.sh <objdump> <binary> <pei-i386|pei-x86-64> [export table .def]
# - the machine type is the build's architecture;
# - it imports system DLLs only, so no MinGW runtime DLL has to ship beside it;
# - with a .def: it exports exactly the table's names, undecorated, at its ordinals,
#   and takes no time from the C runtime's clock(), which follows the wall clock (and
#   in the Universal C runtime sticks at -1 after 24.8 days).
set -euo pipefail
export LC_ALL=C  # objdump's own words, not those of the Wine runs' Chinese locale
objdump=$1; binary=$2; format=$3; def=${4:-}
name=$(basename "$binary")
fail() { echo "FAIL: $name: $*" >&2; exit 1; }

actual_format=$("$objdump" -f "$binary" | sed -n 's/.*file format \(.*\)$/\1/p')
[ "$actual_format" = "$format" ] || fail "file format $actual_format, expected $format"

# What every Windows installation has; anything else would have to ship with it.
system='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|ole32|oleaut32|setupapi|msvcrt)\.dll$'
imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
while read -r dll; do
  [ -z "$dll" ] && continue
  echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system" || fail "imports $dll, which is not a system DLL"
done <<<"$imports"

if [ -n "$def" ]; then
  # Table lines read "    SW_LED@8 @4" (i686) or "    SW_LED @4" (x86_64).
  expected=$(sed -n 's/^ *\(SW_[A-Za-z0-9_]*\)\(@[0-9]*\)\{0,1\} *@\([0-9]*\)$/\3 \1/p' "$def" | sort -n)
  [ "$(echo "$expected" | wc -l)" = 39 ] || fail "the table lists $(echo "$expected" | wc -l) exports, expected 39"
  # objdump lists the name table as "[index] name"; ordinal = index + ordinal base.
  base=$("$objdump" -p "$binary" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p')
  actual=$("$objdump" -p "$binary" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
           sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' | awk -v b="$base" '{print $1+b, $2}' | sort -n)
  if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") || true
    fail "export table differs from $(basename "$def")"
  fi
  echo "$name: 39 exports at ordinals 1..39"
  if grep -Eq '^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+clock$' <<<"$("$objdump" -p "$binary")"; then
    fail "imports clock(): the library's milliseconds come from the system's tick count"
  fi
fi
echo "$name: $format, imports $(echo "$imports" | tr '\n' ' ')"
