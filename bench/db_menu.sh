#!/usr/bin/env bash
# The Database menu's file operations on the exporters' 1,000,000-row table
# (with an index), fresh copies each run, median of 9, against the sqlite3
# shell on the same work: `vacuum DB --into F` / VACUUM INTO, `vacuum DB` /
# VACUUM, `analyze-tables` / ANALYZE, `reindex` / REINDEX (each <= 1.05),
# `transfer DB F` / ".backup F" and `restore DB --from F --yes` / ".restore F"
# (each <= 1.1); the peak RSS of transfers of that database and of one ten
# times larger may differ by at most 10 MB.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

rows=${DB_MENU_ROWS:-1000000}
runs=${DB_MENU_RUNS:-9}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_export_table "$work/src.db" "$rows"
sqlite3 "$work/src.db" "CREATE INDEX t_name ON t(name); CREATE INDEX t_price ON t(price);"

status=0
report() { # report LABEL SKY-TIMES-VAR LITE-TIMES-VAR LIMIT
  local label=$1 limit=$4 ts tl r verdict=met
  local -n sky=$2 lite=$3
  ts=$(median "${sky[@]}")
  tl=$(median "${lite[@]}")
  r=$(ratio "$ts" "$tl")
  at_most "$r" "$limit" || { verdict=MISSED; status=3; }
  echo "db_menu $label: rows $rows skylark ${ts}s sqlite3 ${tl}s ratio $r (target <= $limit, $verdict)"
}

fresh() { rm -f "$work/a.db" "$work/out.db"; cp "$work/src.db" "$work/a.db"; }

# bench LABEL LIMIT SKY-ARGS -- LITE-ARGS (both run on a fresh copy a.db;
# out.db is removed before each run)
bench() {
  local label=$1 limit=$2
  shift 2
  local sky_args=() lite_args=()
  while [ "$1" != "--" ]; do sky_args+=("$1"); shift; done
  shift
  lite_args=("$@")
  local st=() lt=()
  # Which program runs first alternates, so neither always follows the copy.
  for ((i = 1; i <= runs; i++)); do
    if ((i % 2)); then
      fresh
      measure /dev/null /dev/null "$SKYLARK_CLI" "${sky_args[@]}"
      st+=("$MEASURED_S")
    fi
    fresh
    measure /dev/null /dev/null sqlite3 "${lite_args[@]}"
    lt+=("$MEASURED_S")
    if ((i % 2 == 0)); then
      fresh
      measure /dev/null /dev/null "$SKYLARK_CLI" "${sky_args[@]}"
      st+=("$MEASURED_S")
    fi
  done
  report "$label" st lt "$limit"
}

a=$work/a.db out=$work/out.db
bench "vacuum --into" 1.05 vacuum "$a" --into "$out" -- "$a" "VACUUM INTO '$out'"
bench vacuum 1.05 vacuum "$a" -- "$a" VACUUM
bench analyze-tables 1.05 analyze-tables "$a" -- "$a" ANALYZE
bench reindex 1.05 reindex "$a" -- "$a" REINDEX
bench transfer 1.1 transfer "$a" "$out" -- "$a" ".backup '$out'"
# The restore source: a copy with other content.
cp "$work/src.db" "$work/from.db"
sqlite3 "$work/from.db" "DELETE FROM t WHERE id % 2 = 0;"
bench restore 1.1 restore "$a" --from "$work/from.db" --yes -- "$a" ".restore '$work/from.db'"

# Memory: one database and one ten times larger.
fresh
measure /dev/null /dev/null "$SKYLARK_CLI" transfer "$a" "$out"
small=$MEASURED_KB
rm -f "$work/a.db" "$work/out.db"
make_export_table "$work/big.db" $((rows * 10))
measure /dev/null /dev/null "$SKYLARK_CLI" transfer "$work/big.db" "$out"
big=$MEASURED_KB
d=$(( (big - small) / 1024 ))
v=met
[ "$d" -le 10 ] || { v=MISSED; status=3; }
echo "db_menu transfer memory: $(mb_of_kb "$small") MB for $rows rows, $(mb_of_kb "$big") MB for $((rows * 10)) rows, difference ${d} MB (target <= 10 MB), $v"
exit $status
