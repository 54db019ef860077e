#!/usr/bin/env bash
# Installs a Windows build into a fresh folder and builds a C host against nothing but
# that folder's files, as a host developer would.
#   check_dist.sh <build dir> <win32|win64> <C compiler> <output dir> <dist_host.c>
set -euo pipefail
build=$1; folder=$2; cc=$3; out=$4; source=$5
rm -rf "$out"
cmake --install "$build" --prefix "$out" >/dev/null
kit="$out/$folder"
for f in vornix.h vornix.dll vornix.def libvornix.dll.a ostrand.exe; do
  [ -f "$kit/$f" ] || { echo "FAIL: $folder/$f is missing" >&2; exit 1; }
done
# The simulator beside the kit (its DLL and the example scenario it plays by default),
# the diagnostic DLL that traces a site, the bindings, the guide and the simulator's manual.
for f in sim/vornix.dll sim/vornix.scn trace/vornix.dll python/vornix.py dotnet/Vornix.cs pascal/Vornix.pas host-guide.md simulator.md tracing.md; do
  [ -f "$kit/$f" ] || { echo "FAIL: $folder/$f is missing" >&2; exit 1; }
done
extra=$(cd "$kit" && find . -mindepth 1 | sed 's|^\./||' |
        grep -vxE 'vornix\.h|vornix\.dll|vornix\.def|libvornix\.dll\.a|ostrand\.exe|host-guide\.md|simulator\.md|tracing\.md|sim|sim/vornix\.(dll|scn)|trace|trace/vornix\.dll|python|python/vornix\.py|dotnet|dotnet/Vornix\.cs|pascal|pascal/Vornix\.pas' || true)
[ -z "$extra" ] || { echo "FAIL: $folder/ holds more than the kit: $extra" >&2; exit 1; }
"$cc" -std=c99 -Wall -Wextra -Werror -pedantic -I "$kit" "$source" -L "$kit" -lvornix -o "$kit/dist_host.exe"
echo "$folder/: the five files, sim/, trace/, the bindings and the manuals; a C host builds against them"
