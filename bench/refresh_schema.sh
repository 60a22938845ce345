#!/usr/bin/env bash
# Reads whole schemas of generated databases of 1,000 and 5,000 tables, each
# with 20 columns, 2 indexes and 1 trigger, next to `sqlite3 DB .schema` on
# the same file:
# - `skylark-cli tree DB --count`: the schema tree (every table read into a
#   layout, every view parsed: the work of a schema refresh);
# - `skylark-cli table-sql DB --all`: every table's layout written back as
#   its create script.
# Targets: at 5,000 tables the tree within 1.5 times the shell's .schema time
# and table-sql --all within 2 times; each at most 6 times its 1,000-table
# time at 5,000 tables (5 would be exactly linear). The engine's own loading
# of a schema is not linear in its objects (the shell's .schema time grows
# about 9 times from 1,000 to 5,000 tables here), so growth is judged on the
# time beyond the shell's: what this program adds to the loading. The plain
# growth is printed beside it. Alternating, 7 runs each; times are medians,
# the ratios to the shell the medians of each run's ratio (the shell's time
# taken next to the program's, so that a machine whose speed drifts during
# the runs compares like with like).
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=7
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

declare -A tree sql lite treeRatio sqlRatio
verdict=met
check() { # LABEL VALUE LIMIT
  local v=met
  at_most "$2" "$3" || { v=MISSED; verdict=MISSED; }
  echo "refresh_schema: $1 $2 (target <= $3, $v)"
}

for n in 1000 5000; do
  db="$work/s$n.db"
  make_db "$db" "$n"
  tt=() qt=() lt=() tr=() qr=()
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null "$work/count" "$SKYLARK_CLI" tree "$db" --count
    tt+=("$MEASURED_S")
    measure /dev/null "$work/tables.sql" "$SKYLARK_CLI" table-sql "$db" --all
    qt+=("$MEASURED_S")
    measure /dev/null /dev/null sqlite3 "$db" .schema
    lt+=("$MEASURED_S")
    tr+=("$(ratio "${tt[-1]}" "$MEASURED_S")")
    qr+=("$(ratio "${qt[-1]}" "$MEASURED_S")")
  done
  got=$(cat "$work/count")
  [ "$got" -eq "$n" ] || { echo "refresh_schema: $got of $n tables read" >&2; exit 1; }
  made=$(grep -c '^CREATE TABLE' "$work/tables.sql" || true)
  [ "$made" -eq "$n" ] || { echo "refresh_schema: table-sql wrote $made of $n tables" >&2; exit 1; }
  tree[$n]=$(median "${tt[@]}")
  sql[$n]=$(median "${qt[@]}")
  lite[$n]=$(median "${lt[@]}")
  treeRatio[$n]=$(median "${tr[@]}")
  sqlRatio[$n]=$(median "${qr[@]}")
  echo "refresh_schema: $n tables: tree ${tree[$n]}s, table-sql --all ${sql[$n]}s, sqlite3 .schema ${lite[$n]}s"
done
check "tree/.schema at 5000 tables" "${treeRatio[5000]}" 1.5
check "table-sql --all/.schema at 5000 tables" "${sqlRatio[5000]}" 2
beyond() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a - b }'; }
echo "refresh_schema: plain growth 5000/1000 tables: tree $(ratio "${tree[5000]}" "${tree[1000]}"), table-sql --all $(ratio "${sql[5000]}" "${sql[1000]}"), sqlite3 .schema $(ratio "${lite[5000]}" "${lite[1000]}")"
check "tree 5000/1000 tables beyond .schema" \
  "$(ratio "$(beyond "${tree[5000]}" "${lite[5000]}")" "$(beyond "${tree[1000]}" "${lite[1000]}")")" 6
check "table-sql --all 5000/1000 tables beyond .schema" \
  "$(ratio "$(beyond "${sql[5000]}" "${lite[5000]}")" "$(beyond "${sql[1000]}" "${lite[1000]}")")" 6
echo "refresh_schema: $verdict"
[ "$verdict" = met ] || exit 3
