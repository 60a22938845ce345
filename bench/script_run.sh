#!/usr/bin/env bash
# The script processor's runner against the sqlite3 shell: a script of
# 200,000 INSERTs inside BEGIN ... COMMIT with a parameter marker in every
# statement, run by `skylark-cli script --end commit --stats none --log-mode
# silent`, next to `sqlite3 DB <` its script-export output, on fresh copies of
# one database, alternating, median of 5: ratio at most 1.1, databases
# identical (sqldiff). Peak RSS of that run and of a 10x larger script
# (SCRIPT_RUN_BIG=0 skips it): the larger within 10 MB of the smaller.
# Loading into the script cache (script_load, next to SKYLARK_CLI): 10x the
# script in at most 11x the time.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=5
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_script() { # make_script FILE STATEMENTS
  awk -v n="$2" 'BEGIN {
    printf "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INT);\r\nBEGIN;\r\n"
    for (i = 1; i <= n; i++)
      printf "INSERT INTO t(name, qty) VALUES (\x27<@prefix DEFAULT item@> %d\x27, %d);\r\n", i, i % 97
    printf "COMMIT;\r\n"
  }' >"$1"
}
make_script "$work/s.sql" 200000
sqlite3 "$work/base.db" "CREATE TABLE keep(x);"
"$SKYLARK_CLI" script-export "$work/s.sql" -o "$work/export.sql"

ours=() theirs=() kb=()
for ((i = 1; i <= runs; i++)); do
  cp "$work/base.db" "$work/ours.db"
  cp "$work/base.db" "$work/theirs.db"
  sync
  measure /dev/null /dev/null "$SKYLARK_CLI" script "$work/ours.db" "$work/s.sql" --end commit \
    --stats none --log-mode silent -o "$work/out.txt"
  ours+=("$MEASURED_S")
  kb+=("$MEASURED_KB")
  measure "$work/export.sql" /dev/null sqlite3 "$work/theirs.db"
  theirs+=("$MEASURED_S")
done
o=$(median "${ours[@]}")
t=$(median "${theirs[@]}")
r=$(ratio "$o" "$t")
v=met
at_most "$r" 1.1 || { v=MISSED; status=3; }
[ -z "$(sqldiff "$work/ours.db" "$work/theirs.db")" ] || { echo "script_run: the databases differ" >&2; exit 1; }
small=$(max_of "${kb[@]}")
echo "script_run: 200000 statements: skylark ${o}s, shell ${t}s, ratio $r (target <= 1.1), peak $(mb_of_kb "$small") MB, $v"

if [ "${SCRIPT_RUN_BIG:-1}" != 0 ]; then
  make_script "$work/big.sql" 2000000
  cp "$work/base.db" "$work/big.db"
  measure /dev/null /dev/null "$SKYLARK_CLI" script "$work/big.db" "$work/big.sql" --end commit \
    --stats none --log-mode silent -o "$work/big.txt"
  v=met
  awk -v a="$small" -v b="$MEASURED_KB" 'BEGIN { exit !(b <= a + 10 * 1024) }' || { v=MISSED; status=3; }
  echo "script_run memory: peak $(mb_of_kb "$small") MB at 200000 statements, $(mb_of_kb "$MEASURED_KB") MB at 2000000, $v"
fi

load=${SCRIPT_LOAD:-$(dirname "$SKYLARK_CLI")/script_load}
[ -x "$load" ] || { echo "script_run: build the script_load target first" >&2; exit 1; }
read -r a b r < <("$load" 100000)
v=met
at_most "$r" 11 || { v=MISSED; status=3; }
echo "script_load: 100000 statements ${a}s, 1000000 ${b}s, ratio $r (target <= 11), $v"
exit $status
