#!/usr/bin/env bash
# The analyzer page's run against the analyzer alone on the same file: a
# generated database of about ANALYZE_MB megabytes (default 1024; 200 tables
# with an index each, text and blob rows); `skylark-cli analyze DB --import`
# against `sqlite3_analyzer DB > /dev/null`, median of 5 alternating warm
# runs: ratio <= 1.1, and skylark-cli's own peak RSS under 64 MB. Then the
# reading of every pragma value: `skylark-cli pragmas DB` less the start-up
# (`skylark-cli version`), under 5 ms.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=5
status=0
mb=${ANALYZE_MB:-1024}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
db="$work/big.db"

# 200 tables of rows of about 1 KB (text and blob) until the size is reached.
rows=$(( mb * 1024 / 200 ))
{
  echo "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;"
  for ((t = 0; t < 200; t++)); do
    echo "CREATE TABLE t$t(id INTEGER PRIMARY KEY, name TEXT, note TEXT, data BLOB);"
    echo "CREATE INDEX t${t}_name ON t$t(name);"
    echo "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)"
    echo " INSERT INTO t$t SELECT i, 'name ' || (i * 7919 % 100003), hex(randomblob(200)), randomblob(500) FROM n;"
  done
  echo "COMMIT;"
} | sqlite3 "$db" >/dev/null
echo "analyze: database of $(( $(stat -c %s "$db") / 1048576 )) MB"

ours=() peer=() kb=0
for ((i = 1; i <= runs; i++)); do
  measure /dev/null /dev/null "$SKYLARK_CLI" analyze "$db" --import --replace
  ours+=("$MEASURED_S")
  if [ "$MEASURED_KB" -gt "$kb" ]; then kb=$MEASURED_KB; fi
  measure /dev/null /dev/null sqlite3_analyzer "$db"
  peer+=("$MEASURED_S")
done
o=$(median "${ours[@]}") p=$(median "${peer[@]}")
r=$(ratio "$o" "$p")
v=met
at_most "$r" 1.1 || { v=MISSED; status=3; }
echo "analyze: skylark-cli analyze --import ${o}s, sqlite3_analyzer ${p}s, ratio $r (target <= 1.1), $v"
v=met
[ "$kb" -lt $((64 * 1024)) ] || { v=MISSED; status=3; }
echo "analyze: skylark-cli peak RSS $(mb_of_kb "$kb") MB (target < 64 MB), $v"

# The pragma values: the command less its start-up, median of 11.
ts=() base=()
for ((i = 1; i <= 11; i++)); do
  measure /dev/null /dev/null "$SKYLARK_CLI" pragmas "$db"
  ts+=("$MEASURED_S")
  measure /dev/null /dev/null "$SKYLARK_CLI" version
  base+=("$MEASURED_S")
done
ms=$(awk -v a="$(median "${ts[@]}")" -v b="$(median "${base[@]}")" 'BEGIN { d = (a - b) * 1000; printf "%.1f", (d > 0 ? d : 0) }')
v=met
at_most "$ms" 5 || { v=MISSED; status=3; }
echo "analyze: reading all pragma values ${ms} ms (target < 5 ms), $v"
exit $status
