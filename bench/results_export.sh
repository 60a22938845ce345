#!/usr/bin/env bash
# The results' exports against the sqlite3 shell on a generated table of
# 1,000,000 rows (integer key, short text, text with quotes and commas, a
# real, NULLs), alternating, 5 runs each:
# - query-to-file --kind csv (Query to File, F8) against
#   `sqlite3 -csv -header DB SQL > file`, and --kind json against
#   `sqlite3 -json`: ratio at most 1.0 each; peak RSS at 100,000 and at
#   1,000,000 rows within 25 %;
# - results-copy --all json of a full grid (the rows of 16 MiB of CSV text
#   the grid loads) against `sqlite3 -json` of the same rows: ratio at most
#   2.0, peak memory at most 6 x 16 MiB.
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

rows=${RESULTS_EXPORT_ROWS:-1000000}
small=$((rows / 10))
runs=5
status=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_export_table "$work/big.db" "$rows"
make_export_table "$work/small.db" "$small"
sql="SELECT * FROM t"

# compare LABEL LIMIT SKYLARK-ARGS... -- SQLITE3-ARGS...: skylark-cli writes
# its -o file, the shell its standard output into a file.
compare() {
  local label=$1 limit=$2
  shift 2
  local sky=() lite=() st=() lt=() kb=() i
  while [ "$1" != "--" ]; do sky+=("$1"); shift; done
  shift
  lite=("$@")
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null "$work/sky.stdout" "$SKYLARK_CLI" "${sky[@]}"
    st+=("$MEASURED_S")
    kb+=("$MEASURED_KB")
    measure /dev/null "$work/lite.out" sqlite3 "${lite[@]}"
    lt+=("$MEASURED_S")
  done
  local ts tl r verdict=met
  ts=$(median "${st[@]}")
  tl=$(median "${lt[@]}")
  r=$(ratio "$ts" "$tl")
  at_most "$r" "$limit" || { verdict=MISSED; status=3; }
  COMPARED_KB=$(max_of "${kb[@]}")
  echo "results_export $label: skylark ${ts}s sqlite3 ${tl}s ratio $r (target <= $limit), peak $(mb_of_kb "$COMPARED_KB") MB, $verdict"
}

compare "query-to-file csv, $rows rows" 1.0 \
  query-to-file "$work/big.db" "$sql" --kind csv -o "$work/q.csv" -- -csv -header "$work/big.db" "$sql"
[ "$(wc -l <"$work/q.csv")" -eq $((rows + 1)) ] || { echo "results_export: the csv file is short" >&2; exit 1; }
rss_big=$COMPARED_KB
compare "query-to-file json, $rows rows" 1.0 \
  query-to-file "$work/big.db" "$sql" --kind json -o "$work/q.json" -- -json "$work/big.db" "$sql"

measure /dev/null /dev/null "$SKYLARK_CLI" query-to-file "$work/small.db" "$sql" --kind csv -o "$work/s.csv"
rss_small=$MEASURED_KB
echo "results_export memory: query-to-file csv peak $(mb_of_kb "$rss_small") MB at $small rows, $(mb_of_kb "$rss_big") MB at $rows rows"
awk -v a="$rss_small" -v b="$rss_big" 'BEGIN { exit !(b <= a * 1.25) }' || {
  echo "results_export memory: grows with the row count (MISSED)"
  status=3
}

# The full grid: as many rows as 16 MiB of CSV text holds.
grid=$(( $("$SKYLARK_CLI" results-copy "$work/big.db" "$sql" --all csv | wc -l) ))
[ "$grid" -gt 1000 ] || { echo "results_export: the grid holds $grid rows" >&2; exit 1; }
compare "results-copy --all json, $grid rows" 2.0 \
  results-copy "$work/big.db" "$sql" --all json -o "$work/c.json" -- -json "$work/big.db" "$sql LIMIT $grid"
mem=$(mb_of_kb "$COMPARED_KB")
at_most "$mem" 96 || { echo "results_export: results-copy peak $mem MB (target <= 96 MB), MISSED"; status=3; }
exit $status
