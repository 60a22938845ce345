#!/usr/bin/env bash
# Runs a script of 200,000 INSERTs in one transaction with `skylark-cli exec`
# and with the sqlite3 shell, each on a fresh copy of the same empty
# database, alternating, 5 runs each. Prints the median times, their ratio
# (target: skylark at most 1.0 times sqlite3) and the peak RSS of each, then
# checks that both databases hold the same 200,000 rows.
#
# Then memory against script size: scripts of 5 MB and 500 MB of the same
# statements (INSERT OR REPLACE over 10,000 keys, so the database stays
# small) run by skylark, and the 500 MB one by the shell. Targets: skylark's
# peak RSS for 500 MB within 16 MB of its peak for 5 MB, and within 3 times
# the shell's peak plus 16 MB. EXEC_INSERTS_BIG_MB sets the large size
# (0 leaves the memory part out).
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/common.bash
source "$here/common.bash"

rows=${EXEC_INSERTS_ROWS:-200000}
big_mb=${EXEC_INSERTS_BIG_MB:-500}
small_mb=5
runs=5
limit=1.0
mem_slack_mb=16
mem_factor=3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script="$work/inserts.sql"

# make_script FILE ROWS MODE: ROWS INSERTs of integers (some NULL, some
# large), reals, and texts holding quotes, semicolons and comment markers,
# between a CREATE TABLE, BEGIN and COMMIT. MODE "replace" writes INSERT OR
# REPLACE over 10,000 keys instead of new rows.
make_script() {
  awk -v n="$2" -v mode="$3" 'BEGIN {
    print "CREATE TABLE items(id INTEGER PRIMARY KEY, qty INTEGER, price REAL, name TEXT, note TEXT);"
    print "BEGIN TRANSACTION;"
    verb = (mode == "replace") ? "INSERT OR REPLACE" : "INSERT"
    for (i = 1; i <= n; i++) {
      qty = (i % 97 == 0) ? "NULL" : ((i * 7919) % 2001 - 1000)
      if (i % 1000 == 0) qty = i * 1000003
      price = sprintf("%.3f", (i % 10000) / 8)
      name = "item " i "; O'\'''\''Brien"
      note = (i % 3 == 0) ? "said \"hi\"; -- not a comment" : \
             (i % 3 == 1) ? "a;b;c /* kept */ x" : "plain note " (i * 31) % 977
      id = (mode == "replace") ? i % 10000 + 1 : i
      printf "%s INTO items(id, qty, price, name, note) VALUES(%d, %s, %s, '\''%s'\'', '\''%s'\'');\n", \
             verb, id, qty, price, name, note
    }
    print "COMMIT;"
  }' >"$1"
}

make_script "$script" "$rows" insert

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

status=0
t_sky=$(median "${sky_times[@]}")
t_sql=$(median "${sql_times[@]}")
r=$(ratio "$t_sky" "$t_sql")
rss_sky=$(mb_of_kb "$(max_of "${sky_rss[@]}")")
rss_sql=$(mb_of_kb "$(max_of "${sql_rss[@]}")")
verdict=met
at_most "$r" "$limit" || { verdict=MISSED; status=3; }
echo "exec_inserts: rows $rows script $(($(stat -c %s "$script") / 1048576))MB" \
  "skylark ${t_sky}s sqlite3 ${t_sql}s ratio $r (target <= $limit, $verdict)" \
  "peakRSS skylark ${rss_sky}MB sqlite3 ${rss_sql}MB content identical"
echo "exec_inserts: runs skylark ${sky_times[*]} sqlite3 ${sql_times[*]}"
rm -f "$script" "$work"/*.db "$work"/*.dump

[ "$big_mb" -gt 0 ] || exit "$status"

# Rows for a script of about MB megabytes, from the size of the script above.
bytes_per_row=134
rows_for_mb() { echo $(($1 * 1048576 / bytes_per_row)); }

# peak_kb SIZE-MB WHO: the peak RSS (kB) of WHO (skylark or sqlite3) running
# the replace script of SIZE-MB megabytes on a fresh database.
peak_kb() {
  local file="$work/mem$1.sql"
  [ -f "$file" ] || make_script "$file" "$(rows_for_mb "$1")" replace
  rm -f "$work/mem.db"
  if [ "$2" = skylark ]; then
    measure /dev/null /dev/null "$SKYLARK_CLI" exec "$work/mem.db" -f "$file"
  else
    measure "$file" /dev/null sqlite3 "$work/mem.db"
  fi
  echo "$MEASURED_KB"
}

small_kb=$(peak_kb "$small_mb" skylark)
big_kb=$(peak_kb "$big_mb" skylark)
shell_kb=$(peak_kb "$big_mb" sqlite3)
big_size=$(($(stat -c %s "$work/mem$big_mb.sql") / 1048576))
growth_mb=$(mb_of_kb $((big_kb - small_kb)))
shell_limit_kb=$((mem_factor * shell_kb + mem_slack_mb * 1024))
verdict=met
[ $((big_kb - small_kb)) -le $((mem_slack_mb * 1024)) ] || { verdict=MISSED; status=3; }
[ "$big_kb" -le "$shell_limit_kb" ] || { verdict=MISSED; status=3; }
echo "exec_inserts memory: skylark ${small_mb}MB script $(mb_of_kb "$small_kb")MB," \
  "${big_size}MB script $(mb_of_kb "$big_kb")MB (growth ${growth_mb}MB, target <= ${mem_slack_mb}MB);" \
  "sqlite3 ${big_size}MB script $(mb_of_kb "$shell_kb")MB (target skylark <=" \
  "$mem_factor x sqlite3 + ${mem_slack_mb}MB = $(mb_of_kb "$shell_limit_kb")MB), $verdict"
exit "$status"
