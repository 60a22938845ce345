#!/usr/bin/env bash
# Builds the workspace's schema tree (every table read into a layout, every
# view parsed: the work of a schema refresh) for generated databases of 200,
# 2,000 and 10,000 tables, each with 20 columns, 2 indexes and 1 trigger:
# `skylark-cli tree DB --count`, next to `sqlite3 DB .schema > /dev/null` on
# the same file. Targets: 2,000 tables in under 1 s, and growth close to
# linear (10,000 tables at most 7.5 times the 2,000-table time; 5 would be
# exactly linear). Alternating, 3 runs each.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_db() { # FILE TABLES
  awk -v n="$2" 'BEGIN {
    print "BEGIN;"
    for (i = 1; i <= n; i++) {
      printf "CREATE TABLE t%d (id INTEGER PRIMARY KEY", i
      for (c = 1; c <= 19; c++) printf ", c%d %s", c, (c % 3 == 0 ? "TEXT NOT NULL DEFAULT %c%c" : (c % 3 == 1 ? "INTEGER" : "REAL"))
      print ");"
      printf "CREATE INDEX t%d_a ON t%d (c1, c2);\n", i, i
      printf "CREATE UNIQUE INDEX t%d_b ON t%d (c4 DESC) WHERE c4 > 0;\n", i, i
      printf "CREATE TRIGGER t%d_u AFTER UPDATE OF c1 ON t%d BEGIN UPDATE t%d SET c2 = c2 + 1 WHERE id = new.id; END;\n", i, i, i
    }
    print "COMMIT;"
  }' | sed "s/%c%c/''/g" | sqlite3 "$1"
}

declare -A ts tl
verdict=met
for n in 200 2000 10000; do
  make_db "$work/s$n.db" "$n"
  st=() lt=()
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null "$work/count" "$SKYLARK_CLI" tree "$work/s$n.db" --count
    st+=("$MEASURED_S")
    measure /dev/null /dev/null sqlite3 "$work/s$n.db" .schema
    lt+=("$MEASURED_S")
  done
  got=$(cat "$work/count")
  [ "$got" -eq "$n" ] || { echo "refresh_schema: $got of $n tables read" >&2; exit 1; }
  ts[$n]=$(median "${st[@]}")
  tl[$n]=$(median "${lt[@]}")
  echo "refresh_schema: $n tables skylark ${ts[$n]}s sqlite3 .schema ${tl[$n]}s ratio $(ratio "${ts[$n]}" "${tl[$n]}")"
done
at_most "${ts[2000]}" 1 || verdict=MISSED
growth=$(ratio "${ts[10000]}" "${ts[2000]}")
at_most "$growth" 7.5 || verdict=MISSED
echo "refresh_schema: 2000 tables in ${ts[2000]}s (target < 1 s), 10000/2000 time ratio $growth (linear 5, target <= 7.5): $verdict"
[ "$verdict" = met ] || exit 3
