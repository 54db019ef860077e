#!/usr/bin/env bash
# The demo played twice: each run names its folder on its first line and its table
# shows that run's calls only.
# usage: demo_check.sh VORNIX_HOST
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
folders=()
trap 'for f in "${folders[@]}"; do rm -rf "$f"; done' EXIT
tables=()
for run in 1 2; do
  out=$(VORNIX_DEMO_HOST=$1 "$root/scripts/demo.sh" --speed 0 --no-status)
  first=$(head -n1 <<<"$out")
  folder=$(sed -n 's/^demo folder: \(.*\) (this run.*/\1/p' <<<"$first")
  [ -n "$folder" ] && [ -f "$folder/calls.csv" ] || { echo "run $run: first line names no folder: $first"; exit 1; }
  folders+=("$folder")
  tables+=("$(sed -n 's/^\([0-9]*\) calls\? in .*/\1/p' <<<"$out")")
done
[ "${folders[0]}" != "${folders[1]}" ] || { echo "both runs in ${folders[0]}"; exit 1; }
[ "${tables[0]}" -gt 0 ] && [ "${tables[0]}" = "${tables[1]}" ] ||
  { echo "the tables show ${tables[0]} and ${tables[1]} calls"; exit 1; }
echo "demo check: ok (${tables[1]} calls each run, folders apart)"
