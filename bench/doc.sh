#!/usr/bin/env bash
# The database documentation and the schema check on schemas of 1,000 and
# 10,000 tables (4 columns, an index and a foreign key each), median of 3:
# `skylark-cli doc --format text` of 10,000 tables under 2 s and at most 6x
# `sqlite3 DB .schema` on the same file; 10,000 tables at most 11x the time
# of 1,000 (also for the HTML page and check-schema); peak memory above start-up (an empty
# database's run) at 10,000 tables at most 11x that at 1,000.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=3
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_schema() { # make_schema FILE TABLES
  awk -v n="$2" 'BEGIN {
    print "BEGIN;"
    print "CREATE TABLE t0(id INTEGER PRIMARY KEY, name TEXT, qty INT, note TEXT);"
    for (i = 1; i < n; i++) {
      printf "CREATE TABLE t%d(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT DEFAULT 0, parent INT REFERENCES t%d(id));\n", i, i - 1
      printf "CREATE INDEX t%d_name ON t%d(name);\n", i, i
    }
    print "COMMIT;"
  }' | sqlite3 "$1"
}

make_schema "$work/small.db" 1000
make_schema "$work/big.db" 10000
sqlite3 "$work/empty.db" "CREATE TABLE x(a);"

# time_of CMD...: sets T to the median seconds of runs and KB to the largest peak.
time_of() {
  local ts=() k=0
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null /dev/null "$@"
    ts+=("$MEASURED_S")
    if [ "$MEASURED_KB" -gt "$k" ]; then k=$MEASURED_KB; fi
  done
  KB=$k
  T=$(median "${ts[@]}")
}

time_of "$SKYLARK_CLI" doc "$work/empty.db"
base_kb=$KB
for what in "doc --format text" "doc --format html" "check-schema"; do
  # shellcheck disable=SC2086
  time_of "$SKYLARK_CLI" $what "$work/small.db"
  small=$T small_kb=$KB
  # shellcheck disable=SC2086
  time_of "$SKYLARK_CLI" $what "$work/big.db"
  big=$T big_kb=$KB
  r=$(ratio "$big" "$small")
  v=met
  at_most "$r" 11 || { v=MISSED; status=3; }
  echo "doc: $what: 1000 tables ${small}s, 10000 tables ${big}s, ratio $r (target <= 11), $v"
  m=$(awk -v b="$big_kb" -v s="$small_kb" -v z="$base_kb" 'BEGIN { d = s - z; printf "%.2f", (d > 0 ? (b - z) / d : 0) }')
  v=met
  at_most "$m" 11 || { v=MISSED; status=3; }
  echo "doc: $what: memory above start-up $(( (small_kb - base_kb) / 1024 )) MB at 1000, $(( (big_kb - base_kb) / 1024 )) MB at 10000, ratio $m (target <= 11), $v"
  if [ "$what" = "doc --format text" ]; then
    time_of sqlite3 "$work/big.db" .schema
    shell=$T
    r=$(ratio "$big" "$shell")
    v=met
    at_most "$big" 2 && at_most "$r" 6 || { v=MISSED; status=3; }
    echo "doc: text of 10000 tables ${big}s (target < 2 s), sqlite3 .schema ${shell}s, ratio $r (target <= 6), $v"
  fi
done
exit $status
