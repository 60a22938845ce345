#!/usr/bin/env bash
# Loads `SELECT * FROM t` of the 1,000,000-row benchmark table into the
# results grid's row store (`skylark-cli grid`, stopping at the 16 MiB CSV
# limit) against `sqlite3 -csv` writing the same rows (LIMIT the row count
# reached) to /dev/null. Targets: time ratio at most 1.5; peak memory added
# by the load (against the same command on an empty result) at most 4 x 16
# MiB; the default query limit's first 1000 rows in under 100 ms.
# Alternating, 5 runs each. Exit status: 0 targets met, 3 missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

runs=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_export_table "$work/b.db" 1000000

"$SKYLARK_CLI" grid "$work/b.db" "SELECT * FROM t" >"$work/info"
rows=$(awk '/^rows:/ { print $2 }' "$work/info")
[ "$rows" -gt 0 ] || { echo "results_load: no rows loaded" >&2; exit 1; }

st=() lt=() kb=() base=() ft=()
for ((i = 1; i <= runs; i++)); do
  measure /dev/null /dev/null "$SKYLARK_CLI" grid "$work/b.db" "SELECT * FROM t"
  st+=("$MEASURED_S")
  kb+=("$MEASURED_KB")
  measure /dev/null /dev/null sqlite3 -csv "$work/b.db" "SELECT * FROM t LIMIT $rows"
  lt+=("$MEASURED_S")
  measure /dev/null /dev/null "$SKYLARK_CLI" grid "$work/b.db" "SELECT * FROM t WHERE 0"
  base+=("$MEASURED_KB")
  measure /dev/null /dev/null "$SKYLARK_CLI" grid "$work/b.db" "SELECT * FROM t WHERE 1 LIMIT 1000"
  ft+=("$MEASURED_S")
done
ts=$(median "${st[@]}")
tl=$(median "${lt[@]}")
r=$(ratio "$ts" "$tl")
added_mb=$(mb_of_kb $(($(median "${kb[@]}") - $(median "${base[@]}"))))
first=$(median "${ft[@]}")
verdict=met
at_most "$r" 1.5 || verdict=MISSED
at_most "$added_mb" 64 || verdict=MISSED
at_most "$first" 0.1 || verdict=MISSED
echo "results_load: $rows rows skylark ${ts}s sqlite3 -csv ${tl}s ratio $r (target <= 1.5); memory added ${added_mb} MB (target <= 64); first 1000 rows ${first}s (target < 0.1 s): $verdict"
[ "$verdict" = met ] || exit 3
