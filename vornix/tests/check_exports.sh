#!/usr/bin/env bash
# The export table of vornix.dll: exactly the 39 names, undecorated, at ordinals 1..39.
set -euo pipefail
dll=$1; def=$2
expected=$(sed -n 's/^ *\(SW_[A-Za-z0-9_]*\)@[0-9]* @\([0-9]*\)$/\2 \1/p' "$def" | sort -n)
# objdump lists the name table as "[index] name"; ordinal = index + ordinal base.
base=$(i686-w64-mingw32-objdump -p "$dll" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p')
actual=$(i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' | awk -v b="$base" '{print $1+b, $2}' | sort -n)
if [ "$expected" != "$actual" ]; then
  echo "export table differs:"; diff <(echo "$expected") <(echo "$actual") || true; exit 1
fi
[ "$(echo "$actual" | wc -l)" = 39 ] || { echo "expected 39 exports"; exit 1; }
echo "39 exports at ordinals 1..39"
