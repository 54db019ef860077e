#!/usr/bin/env bash
# i686 only: the stdcall sizes in vornix.def (SW_LED@8) are checked by the link against
# the definitions. To show that the check bites, the library's own objects are linked
# again with one size altered; the link must refuse that export.
#   check_def_sizes.sh <c++ driver> <vornix.def> <object list file>
set -euo pipefail
export LC_ALL=C  # the linker's own words
cxx=$1; def=$2; objects=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
grep -q '^ *SW_LED@8 @4$' "$def" || { echo "FAIL: SW_LED@8 @4 not in $def" >&2; exit 1; }
sed 's/^\( *\)SW_LED@8 @4$/\1SW_LED@12 @4/' "$def" > "$work/altered.def"
mapfile -t objs < "$objects"
link() {
  "$cxx" -shared -static -static-libgcc -static-libstdc++ -o "$work/vornix.dll" "${objs[@]}" "$1" \
    -lsetupapi -Wl,--kill-at -Wl,--disable-stdcall-fixup
}
link "$def" > "$work/good.log" 2>&1 || { cat "$work/good.log"; echo "FAIL: the table as shipped does not link" >&2; exit 1; }
if link "$work/altered.def" > "$work/bad.log" 2>&1; then
  echo "FAIL: a table claiming 12 argument bytes for SW_LED linked" >&2; exit 1
fi
grep -q 'cannot export SW_LED@12' "$work/bad.log" || { cat "$work/bad.log"; echo "FAIL: refused for another reason" >&2; exit 1; }
echo "a wrong stdcall size in the export table fails the link"
