#!/usr/bin/env bash
# Reads a generated CSV file of about 100 MB with the CSV reader
# (`skylark-cli csv`, which also writes the rows as JSON) and imports the same
# file with the sqlite3 shell (`.import --csv` into :memory:), alternating,
# 3 runs each. Different work — the import also inserts — so this is a
# sanity ratio: reading (and printing) must not be slower than the shell's
# whole import (target: ratio at most 1.0). Prints MB/s and peak RSS.
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

mb=${CSV_READ_MB:-100}
runs=3
limit=1.0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
csv="$work/data.csv"

awk -v target=$((mb * 1048576)) 'BEGIN {
  print "id,name,note,price,extra"
  total = 0
  for (i = 1; total < target; i++) {
    note = (i % 3 == 0) ? "\"say \"\"hi\"\", then go\"" : (i % 3 == 1) ? "\"a,b,c\"" : "plain " (i * 31) % 977
    line = i ",name " i "," note "," sprintf("%.3f", (i % 10000) / 8) "," ((i % 5 == 0) ? "" : i * 7)
    print line
    total += length(line) + 1
  }
}' >"$csv"
size_mb=$(awk -v b="$(stat -c %s "$csv")" 'BEGIN { printf "%.1f", b / 1048576 }')

st=() lt=() srss=() lrss=()
for ((i = 1; i <= runs; i++)); do
  measure /dev/null /dev/null "$SKYLARK_CLI" csv -f "$csv"
  st+=("$MEASURED_S")
  srss+=("$MEASURED_KB")
  measure /dev/null /dev/null sqlite3 :memory: ".import --csv $csv t"
  lt+=("$MEASURED_S")
  lrss+=("$MEASURED_KB")
done
ts=$(median "${st[@]}")
tl=$(median "${lt[@]}")
r=$(ratio "$ts" "$tl")
verdict=met
at_most "$r" "$limit" || verdict=MISSED
speed=$(awk -v m="$size_mb" -v t="$ts" 'BEGIN { printf "%.0f", (t > 0 ? m / t : 0) }')
echo "csv_read: ${size_mb}MB skylark ${ts}s (${speed} MB/s) sqlite3 import ${tl}s ratio $r" \
  "(target <= $limit, $verdict) peakRSS skylark $(mb_of_kb "$(max_of "${srss[@]}")")MB" \
  "sqlite3 $(mb_of_kb "$(max_of "${lrss[@]}")")MB"
[ "$verdict" = met ] || exit 3
