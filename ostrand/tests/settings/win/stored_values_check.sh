#!/usr/bin/env bash
# Saves known settings with the Windows probe, then lists the key with Wine's registry
# tool, as anyone browsing the registry would see it: four REG_SZ values holding the
# reversed hex digits behind printable fillers, and never the plain text.
# Usage: stored_values_check.sh <probe.exe> <runner> [runner arguments]
#   (the runner is the build's Wine wrapper, e.g. wine-run.sh win64)
set -euo pipefail
probe=$1
shift
run=("$@")

"${run[@]}" "$probe"
listing=$("${run[@]}" reg query 'HKCU\Software\Parvel\lm_orv' | tr -d '\r')
printf '%s\n' "$listing"

fail() { echo "FAIL: $*" >&2; exit 1; }

# name  expected digits at the even positions
check_value() {
  local name=$1 digits=$2 data
  data=$(printf '%s\n' "$listing" | awk -v n="$name" '$1 == n && $2 == "REG_SZ" { print $3 }')
  [ -n "$data" ] || fail "$name is not a non-empty REG_SZ"
  [ "${#data}" -eq $((2 * ${#digits} + 1)) ] || fail "$name has ${#data} characters: $data"
  local evens="" odds="" i
  for ((i = 0; i < ${#data}; i++)); do
    if ((i % 2)); then evens+=${data:i:1}; else odds+=${data:i:1}; fi
  done
  [ "$evens" = "$digits" ] || fail "$name carries digits $evens, expected $digits"
  LC_ALL=C grep -q '^[!-~]*$' <<<"$odds" || fail "$name has fillers outside 33..126: $odds"
}

check_value DeptName EB5DEABC     # CB AE D5 BE
check_value DataBase 362616       # abc
check_value Server 1303672737     # srv01
check_value PassWord 3737B31607   # pa;ss

values=$(printf '%s\n' "$listing" | grep -cE '^[[:space:]]+[^[:space:]]+[[:space:]]+REG_' || true)
[ "$values" -eq 4 ] || fail "the key holds $values values, expected 4"

for plain in abc srv01 'pa;ss' '水站'; do
  if grep -qF -- "$plain" <<<"$listing"; then fail "plain text $plain is visible"; fi
done
echo "stored values are scrambled"
