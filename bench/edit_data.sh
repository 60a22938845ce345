#!/usr/bin/env bash
# The data editor against the sqlite3 shell on a table of 1,000,000 rows
# (integer key, text, quoted text with commas, a real, a sparse integer):
# - edit-data loading 10,000 rows, changing every row's name and committing
#   the 10,000 UPDATEs, next to the shell running the same script (printed by
#   edit-data --script) in one transaction on a copy of the same file.
#   Target: ratio at most 1.2 (median of 5 alternating runs);
# - the script rebuilt after one edit with 10,000 changed rows (edit_rebuild,
#   median of 200 edits). Target: under 10 ms;
# - loading with --where 1: stops at 8 MiB of rows. Target: peak memory
#   under 100 MB.
# Needs edit_rebuild next to SKYLARK_CLI (scripts/bench builds it).
# Exit status: 0 targets met, 3 a target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

rebuild=${EDIT_REBUILD:-$(dirname "$SKYLARK_CLI")/edit_rebuild}
[ -x "$rebuild" ] || { echo "edit_rebuild: build the edit_rebuild target first" >&2; exit 1; }
runs=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
verdict=met

make_export_table "$work/base.db" 1000000

# 10,000 UPDATEs: every loaded row's name.
awk 'BEGIN { for (i = 1; i <= 10000; i++) printf "set,%d,name,edited name %d\n", i, i }' \
  >"$work/edits.csv"
where="1 LIMIT 10000"
"$SKYLARK_CLI" edit-data "$work/base.db" t --where "$where" -f "$work/edits.csv" --script \
  >"$work/raw.sql"
updates=$(grep -c '^UPDATE ' "$work/raw.sql")
[ "$updates" -eq 10000 ] || { echo "edit_data: $updates UPDATEs in the script, not 10000" >&2; exit 1; }
{ echo "BEGIN;"; cat "$work/raw.sql"; echo "COMMIT;"; } >"$work/script.sql"
ours=() theirs=() kb=()
for ((i = 1; i <= runs; i++)); do
  cp "$work/base.db" "$work/ours.db"
  cp "$work/base.db" "$work/theirs.db"
  sync # the copies' dirty pages would be written by whichever run syncs first
  measure "$work/edits.csv" /dev/null "$SKYLARK_CLI" edit-data "$work/ours.db" t --where "$where"
  ours+=("$MEASURED_S")
  kb+=("$MEASURED_KB")
  measure "$work/script.sql" /dev/null sqlite3 "$work/theirs.db"
  theirs+=("$MEASURED_S")
done
o=$(median "${ours[@]}")
t=$(median "${theirs[@]}")
r=$(ratio "$o" "$t")
v=met
at_most "$r" 1.2 || { v=MISSED; verdict=MISSED; }
[ "$(sqlite3 "$work/ours.db" "SELECT count(*) FROM t WHERE name LIKE 'edited name %'")" = 10000 ] ||
  { echo "edit_data: the commit did not change 10000 rows" >&2; exit 1; }
echo "edit_data: commit of 10000 UPDATEs: skylark ${o}s, shell ${t}s, ratio $r (target <= 1.2), peak $(mb_of_kb "$(max_of "${kb[@]}")") MB, $v"

ms=$("$rebuild" 200)
v=met
at_most "$ms" 10 || { v=MISSED; verdict=MISSED; }
echo "edit_data: script rebuild after one edit with 10000 changed rows: ${ms} ms (target < 10 ms), $v"

# Loading everything stops at 8 MiB: the rows loaded are read from the
# answer to a row number beyond them.
rows=$("$SKYLARK_CLI" edit-data "$work/base.db" t --where 1 --script <<<"reset,999999999" 2>&1 |
  sed -n 's/.*(rows 1 to \([0-9]*\)).*/\1/p' || true)
[ -n "$rows" ] || { echo "edit_data: the rows loaded are not known" >&2; exit 1; }
csv=$(sqlite3 -csv "$work/base.db" "SELECT id,id,name,note,price FROM t LIMIT $rows" | wc -c)
echo "delete,1" >"$work/one.csv"
loads=() kb=()
for ((i = 1; i <= 3; i++)); do
  measure "$work/one.csv" /dev/null "$SKYLARK_CLI" edit-data "$work/base.db" t --where 1 --script
  loads+=("$MEASURED_S")
  kb+=("$MEASURED_KB")
done
peak=$(mb_of_kb "$(max_of "${kb[@]}")")
v=met
at_most "$peak" 99 || { v=MISSED; verdict=MISSED; }
[ "$rows" -lt 1000000 ] || { v=MISSED; verdict=MISSED; }
echo "edit_data: loading with --where 1: $rows of 1000000 rows ($((csv / 1024)) KiB as the shell's CSV), $(median "${loads[@]}")s, peak ${peak} MB (target < 100 MB), $v"

echo "edit_data: $verdict"
[ "$verdict" = met ] || exit 3
