#!/usr/bin/env bash
# The table compare against sqldiff on the same work: the exporters' table of
# 1,000,000 rows (t1) and a copy with 1% of the rows changed, missing or
# NULLed (t2); `skylark-cli compare DB t1 t2 --fix-sql --limit 0` against
# `sqldiff --primarykey --table T` on the two tables split into two files,
# alternating, median of 5: ratio <= 1.0; the same without a key (rowid) against
# plain sqldiff. Peak memory flat in rows: 1,000,000 rows within 10 MB of
# 100,000 rows with as many differences.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=5
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_pair FILE ROWS EVERY KEY: t1 of ROWS rows and t2 with every EVERY-th
# row changed, missing or NULLed; KEY "key" declares the primary key, "rowid"
# leaves both tables without one. Then the two split files FILE.1, FILE.2.
make_pair() {
  local file=$1 rows=$2 every=$3 key=$4 decl="id INTEGER PRIMARY KEY"
  [ "$key" = rowid ] && decl="id INTEGER"
  sqlite3 "$file" "CREATE TABLE t1($decl, name TEXT, note TEXT, price REAL, extra);
CREATE TABLE t2($decl, name TEXT, note TEXT, price REAL, extra);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < $rows)
INSERT INTO t1 SELECT i, 'name ' || i, CASE i % 3 WHEN 0 THEN 'say \"hi\", then go' ELSE 'a,b,c' END,
  (i % 10000) / 8.0, CASE WHEN i % 5 = 0 THEN NULL ELSE i * 7 END FROM c;
INSERT INTO t2(rowid, id, name, note, price, extra) SELECT rowid, id,
  CASE WHEN id % $every = 1 THEN name || '!' ELSE name END, note,
  price, CASE WHEN id % $every = 2 THEN NULL ELSE extra END FROM t1 WHERE id % $every <> 3;"
  for n in 1 2; do
    sqlite3 "$file" "VACUUM INTO '$file.$n'"
    sqlite3 "$file.$n" "DROP TABLE t$((3 - n)); ALTER TABLE t$n RENAME TO T;"
  done
}

run_pair() { # run_pair FILE KEY: sets OURS, PEER, KB
  local file=$1 key=$2 ours=() peer=() k=0 args=(--table T)
  [ "$key" = key ] && args=(--primarykey --table T)
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null /dev/null "$SKYLARK_CLI" compare "$file" t1 t2 --fix-sql --limit 0
    ours+=("$MEASURED_S")
    if [ "$MEASURED_KB" -gt "$k" ]; then k=$MEASURED_KB; fi
    measure /dev/null /dev/null sqldiff "${args[@]}" "$file.2" "$file.1"
    peer+=("$MEASURED_S")
  done
  OURS=$(median "${ours[@]}")
  PEER=$(median "${peer[@]}")
  KB=$k
}

for key in key rowid; do
  make_pair "$work/$key.db" 1000000 100 "$key"
  run_pair "$work/$key.db" "$key"
  r=$(ratio "$OURS" "$PEER")
  v=met
  at_most "$r" 1.0 || { v=MISSED; status=3; }
  echo "compare: 1000000 rows ($key), 1% differing: ${OURS}s, sqldiff ${PEER}s, ratio $r (target <= 1.0), $v"
  big_kb=$KB
  make_pair "$work/small-$key.db" 100000 10 "$key"
  run_pair "$work/small-$key.db" "$key"
  d=$(( (big_kb - KB) / 1024 ))
  v=met
  [ "$d" -le 10 ] || { v=MISSED; status=3; }
  echo "compare: peak $(mb_of_kb "$big_kb") MB at 1000000 rows, $(mb_of_kb "$KB") MB at 100000 rows with as many differences, growth ${d} MB (target <= 10), $v"
done
exit $status
