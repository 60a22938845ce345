#!/usr/bin/env bash
# Runs a script of 200,000 INSERTs in one transaction with `skylark-cli exec`
# and with the sqlite3 shell, each on a fresh copy of the same empty
# database, alternating, 5 runs each. Prints the median times, their ratio
# (target: skylark at most 1.2 times sqlite3) and the peak RSS of each, then
# checks that both databases hold the same 200,000 rows.
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/common.bash
source "$here/common.bash"

rows=${EXEC_INSERTS_ROWS:-200000}
runs=5
limit=1.2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script="$work/inserts.sql"

# Integers (some NULL, some large), reals, and texts holding quotes,
# semicolons and comment markers.
awk -v n="$rows" 'BEGIN {
  print "CREATE TABLE items(id INTEGER PRIMARY KEY, qty INTEGER, price REAL, name TEXT, note TEXT);"
  print "BEGIN TRANSACTION;"
  for (i = 1; i <= n; i++) {
    qty = (i % 97 == 0) ? "NULL" : ((i * 7919) % 2001 - 1000)
    if (i % 1000 == 0) qty = i * 1000003
    price = sprintf("%.3f", (i % 10000) / 8)
    name = "item " i "; O'\'''\''Brien"
    note = (i % 3 == 0) ? "said \"hi\"; -- not a comment" : \
           (i % 3 == 1) ? "a;b;c /* kept */ x" : "plain note " (i * 31) % 977
    printf "INSERT INTO items(id, qty, price, name, note) VALUES(%d, %s, %s, '\''%s'\'', '\''%s'\'');\n", \
           i, qty, price, name, note
  }
  print "COMMIT;"
}' >"$script"

empty="$work/empty.db"
sqlite3 "$empty" 'PRAGMA user_version = 0; VACUUM;'

sky_times=() sql_times=() sky_rss=() sql_rss=()
for ((i = 1; i <= runs; i++)); do
  cp "$empty" "$work/sky.db"
  measure /dev/null /dev/null "$SKYLARK_CLI" exec "$work/sky.db" -f "$script"
  sky_times+=("$MEASURED_S")
  sky_rss+=("$MEASURED_KB")

  cp "$empty" "$work/sql.db"
  measure "$script" /dev/null sqlite3 "$work/sql.db"
  sql_times+=("$MEASURED_S")
  sql_rss+=("$MEASURED_KB")
done

# Both databases of the last round hold the same rows.
for db in sky sql; do
  count=$(sqlite3 "$work/$db.db" 'SELECT count(*) FROM items;')
  if [ "$count" != "$rows" ]; then
    echo "exec_inserts: $db.db holds $count rows, expected $rows" >&2
    exit 1
  fi
  sqlite3 "$work/$db.db" .dump >"$work/$db.dump"
done
if ! cmp -s "$work/sky.dump" "$work/sql.dump"; then
  echo "exec_inserts: the two databases differ" >&2
  diff "$work/sky.dump" "$work/sql.dump" | head -n 10 >&2
  exit 1
fi

t_sky=$(median "${sky_times[@]}")
t_sql=$(median "${sql_times[@]}")
r=$(ratio "$t_sky" "$t_sql")
rss_sky=$(mb_of_kb "$(max_of "${sky_rss[@]}")")
rss_sql=$(mb_of_kb "$(max_of "${sql_rss[@]}")")
verdict=met
at_most "$r" "$limit" || verdict=MISSED
echo "exec_inserts: rows $rows script $(($(stat -c %s "$script") / 1048576))MB" \
  "skylark ${t_sky}s sqlite3 ${t_sql}s ratio $r (target <= $limit, $verdict)" \
  "peakRSS skylark ${rss_sky}MB sqlite3 ${rss_sql}MB content identical"
echo "exec_inserts: runs skylark ${sky_times[*]} sqlite3 ${sql_times[*]}"
[ "$verdict" = met ] || exit 3
