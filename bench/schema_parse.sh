#!/usr/bin/env bash
# Parses and regenerates 10,000 synthetic CREATE TABLE texts (comments,
# quoted names, CHECK lists, defaults, keys, foreign keys): `skylark-cli
# table-sql DB --all` on a database holding them, against the engine's own
# parse of the same texts (`sqlite3 :memory: < schemas.sql`). Same order of
# magnitude is the target (ratio at most 10). Alternating, 3 runs each.
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

tables=${SCHEMA_TABLES:-10000}
runs=3
limit=10

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v n="$tables" 'BEGIN {
  for (i = 1; i <= n; i++) {
    printf "CREATE TABLE \"t %d\" ( -- table %d\n", i, i
    printf "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    printf "  name VARCHAR(40) NOT NULL COLLATE NOCASE /* display, name */,\n"
    printf "  kind TEXT CHECK (kind IN (%c(a)%c, %cb,c%c)) DEFAULT %cb,c%c,\n", 39, 39, 39, 39, 39, 39
    printf "  qty INTEGER DEFAULT -1 CHECK (qty >= -1),\n"
    printf "  price DECIMAL(10, 2) DEFAULT 0.00,\n"
    printf "  parent INT REFERENCES \"t %d\"(id) ON DELETE SET NULL DEFERRABLE INITIALLY DEFERRED,\n", (i > 1 ? i - 1 : 1)
    printf "  \"we\"\"ird\" UNSIGNED BIG INT,\n"
    printf "  UNIQUE (name, kind) ON CONFLICT REPLACE\n);\n"
  }
}' >"$work/schemas.sql"
sqlite3 "$work/s.db" <"$work/schemas.sql"

st=() lt=()
for ((i = 1; i <= runs; i++)); do
  measure /dev/null "$work/out.sql" "$SKYLARK_CLI" table-sql "$work/s.db" --all
  st+=("$MEASURED_S")
  measure "$work/schemas.sql" /dev/null sqlite3 :memory:
  lt+=("$MEASURED_S")
done
got=$(grep -c '^CREATE TABLE' "$work/out.sql")
[ "$got" -eq "$tables" ] || { echo "schema_parse: $got of $tables tables written" >&2; exit 1; }
ts=$(median "${st[@]}")
tl=$(median "${lt[@]}")
r=$(ratio "$ts" "$tl")
verdict=met
at_most "$r" "$limit" || verdict=MISSED
echo "schema_parse: $tables tables skylark ${ts}s sqlite3 ${tl}s ratio $r (target <= $limit, $verdict)"
[ "$verdict" = met ] || exit 3
