#!/usr/bin/env bash
# On the exporters' 1,000,000-row table: the database script (`skylark-cli
# dump`) against `sqlite3 DB .dump` (target ratio at most 1.0), the online
# backup (`skylark-cli backup`) against `sqlite3 DB ".backup DEST"` (at most
# 1.2), and a restructure that keeps every column and changes one type
# (`skylark-cli restructure`) against the shell running CREATE TABLE new ...;
# INSERT INTO new SELECT ... (at most 2.0). Alternating, 3 runs each; medians.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

rows=${DB_SCRIPT_ROWS:-1000000}
runs=3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_export_table "$work/src.db" "$rows"

status=0
report() { # report LABEL SKY-TIMES-VAR LITE-TIMES-VAR LIMIT
  local label=$1 limit=$4 ts tl r verdict=met
  local -n sky=$2 lite=$3
  ts=$(median "${sky[@]}")
  tl=$(median "${lite[@]}")
  r=$(ratio "$ts" "$tl")
  at_most "$r" "$limit" || { verdict=MISSED; status=3; }
  echo "db_script $label: rows $rows skylark ${ts}s sqlite3 ${tl}s ratio $r (target <= $limit, $verdict)"
}

st=() lt=()
for ((i = 1; i <= runs; i++)); do
  measure /dev/null "$work/sky.sql" "$SKYLARK_CLI" dump "$work/src.db"
  st+=("$MEASURED_S")
  measure /dev/null "$work/lite.sql" sqlite3 "$work/src.db" .dump
  lt+=("$MEASURED_S")
done
grep -q '^--   Database Export Success' "$work/sky.sql" || { echo "db_script: dump failed" >&2; exit 1; }
report dump st lt 1.0

st=() lt=()
for ((i = 1; i <= runs; i++)); do
  rm -f "$work/sky.db" "$work/lite.db"
  measure /dev/null /dev/null "$SKYLARK_CLI" backup "$work/src.db" "$work/sky.db"
  st+=("$MEASURED_S")
  measure /dev/null /dev/null sqlite3 "$work/src.db" ".backup $work/lite.db"
  lt+=("$MEASURED_S")
done
report backup st lt 1.2

printf 'id,integer,PRI\nname,text,\nnote,text,\nprice,real,\nextra,text,\n' >"$work/struct.txt"
lite_sql="CREATE TABLE t2(id INTEGER PRIMARY KEY, name TEXT, note TEXT, price REAL, extra TEXT);
INSERT INTO t2 SELECT id, name, note, price, extra FROM t;"
st=() lt=()
for ((i = 1; i <= runs; i++)); do
  cp "$work/src.db" "$work/sky.db"
  cp "$work/src.db" "$work/lite.db"
  measure /dev/null /dev/null "$SKYLARK_CLI" restructure "$work/sky.db" t -f "$work/struct.txt"
  st+=("$MEASURED_S")
  measure /dev/null /dev/null sqlite3 "$work/lite.db" "$lite_sql"
  lt+=("$MEASURED_S")
done
report restructure st lt 2.0
exit $status
