#!/usr/bin/env bash
# Exports a generated table of 1,000,000 rows (integer key, short text, text
# with quotes and commas, real, NULLs) with `skylark-cli query` as CSV and as
# JSON, against the sqlite3 shell's -csv -header and -json output of the same
# query, alternating, 5 runs each. Prints median times and ratios (target:
# at most 1.0 each) and the peak RSS of the CSV export at 100,000 and at
# 1,000,000 rows (it must not grow with the row count).
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

rows=${QUERY_EXPORT_ROWS:-1000000}
small=$((rows / 10))
runs=5
limit=1.0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_export_table "$work/big.db" "$rows"
make_export_table "$work/small.db" "$small"
sql="SELECT * FROM t"

compare() { # compare LABEL SKYLARK-ARGS... -- SQLITE3-ARGS...
  local label=$1
  shift
  local sky=() lite=()
  while [ "$1" != "--" ]; do sky+=("$1"); shift; done
  shift
  lite=("$@")
  local st=() lt=() i
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null "$work/sky.out" "$SKYLARK_CLI" "${sky[@]}"
    st+=("$MEASURED_S")
    measure /dev/null "$work/lite.out" sqlite3 "${lite[@]}"
    lt+=("$MEASURED_S")
  done
  local ts tl r verdict=met
  ts=$(median "${st[@]}")
  tl=$(median "${lt[@]}")
  r=$(ratio "$ts" "$tl")
  at_most "$r" "$limit" || verdict=MISSED
  echo "query_export $label: rows $rows skylark ${ts}s sqlite3 ${tl}s ratio $r (target <= $limit, $verdict)"
  [ "$verdict" = met ]
}

status=0
compare csv query "$work/big.db" "$sql" -- -csv -header "$work/big.db" "$sql" || status=3
lines=$(wc -l <"$work/sky.out")
[ "$lines" -eq $((rows + 1)) ] || { echo "query_export: csv has $lines lines" >&2; exit 1; }
compare json query "$work/big.db" "$sql" --format json -- -json "$work/big.db" "$sql" || status=3

measure /dev/null /dev/null "$SKYLARK_CLI" query "$work/small.db" "$sql"
rss_small=$MEASURED_KB
measure /dev/null /dev/null "$SKYLARK_CLI" query "$work/big.db" "$sql"
rss_big=$MEASURED_KB
echo "query_export memory: peakRSS csv $small rows $(mb_of_kb "$rss_small")MB, $rows rows $(mb_of_kb "$rss_big")MB"
# Streaming: ten times the rows may not take noticeably more memory.
awk -v a="$rss_small" -v b="$rss_big" 'BEGIN { exit !(b <= a * 1.25 + 4096) }' || {
  echo "query_export memory: grows with the row count (MISSED)"
  status=3
}
exit $status
