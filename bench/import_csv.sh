#!/usr/bin/env bash
# CSV import next to the sqlite3 shell on identical work: `skylark-cli
# import-csv` (reading, analysing and importing the file into a new table)
# against `sqlite3 DB ".import --csv --skip 1 FILE t"` into the identical
# table, created beforehand with the statement import-csv prints with --sql.
# Generated CSVs of 1,000,000 and 500,000 rows: an integer key, a text, a
# quoted text with commas and doubled quotes, a real and a sparse integer.
# Alternating runs, 5 each (a fresh database file every run); the ratio of
# the medians. Both results are compared with sqldiff at the end.
# Targets: ratio at most 1.0; skylark's peak memory at most 5 x the file
# size + 32 MiB.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=5
limit=1.0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
verdict=met

make_csv() { # FILE ROWS
  awk -v rows="$2" 'BEGIN {
    print "id,name,note,price,extra"
    for (i = 1; i <= rows; i++) {
      m = i % 3
      note = m == 0 ? "\"say \"\"hi\"\", then go\"" : m == 1 ? "\"a,b,c\"" : "plain " (i * 31) % 977
      print i ",name " i "," note "," sprintf("%.3f", (i % 10000) / 8) "," ((i % 5 == 0) ? "" : i * 7)
    }
  }' >"$1"
}

for rows in 1000000 500000; do
  csv="$work/rows$rows.csv"
  make_csv "$csv" "$rows"
  bytes=$(stat -c %s "$csv")
  create=$("$SKYLARK_CLI" import-csv "$work/probe.db" "$csv" --table t --sql | head -n 1 | tr -d '\r')
  rm -f "$work/probe.db"
  ours=() theirs=() kb=()
  for ((i = 1; i <= runs; i++)); do
    rm -f "$work/ours.db" "$work/theirs.db"
    measure /dev/null /dev/null "$SKYLARK_CLI" import-csv "$work/ours.db" "$csv" --table t
    ours+=("$MEASURED_S")
    kb+=("$MEASURED_KB")
    sqlite3 "$work/theirs.db" "$create"
    measure /dev/null /dev/null sqlite3 "$work/theirs.db" ".import --csv --skip 1 $csv t"
    theirs+=("$MEASURED_S")
  done
  if [ -n "$(sqldiff "$work/ours.db" "$work/theirs.db")" ]; then
    echo "import_csv: the two imports of $rows rows differ" >&2
    exit 1
  fi
  o=$(median "${ours[@]}")
  t=$(median "${theirs[@]}")
  r=$(ratio "$o" "$t")
  peak_kb=$(max_of "${kb[@]}")
  cap_kb=$(awk -v b="$bytes" 'BEGIN { printf "%d", (5 * b + 32 * 1048576) / 1024 }')
  v=met
  at_most "$r" "$limit" || v=MISSED
  m=met
  at_most "$peak_kb" "$cap_kb" || m=MISSED
  [ "$v" = met ] && [ "$m" = met ] || verdict=MISSED
  echo "import_csv: $rows rows ($(mb_of_kb $((bytes / 1024)))MB) skylark ${o}s sqlite3 ${t}s" \
    "ratio $r (target <= $limit, $v) peakRSS $(mb_of_kb "$peak_kb")MB" \
    "(cap $(mb_of_kb "$cap_kb")MB, $m)"
done
[ "$verdict" = met ] || exit 3
