#!/usr/bin/env bash
# The table designer's regeneration after one edit (sheet, script, menu,
# warnings) of a 100-column table with 20 indexes and 20 triggers, next to
# the sqlite3 shell creating that table, its indexes and triggers from their
# script in memory. Target: at most 10 ms per edit (median of 200 edits);
# the ratio to the shell's run (median of 5) is shown.
# Needs designer_regen next to SKYLARK_CLI (scripts/bench builds it).
# Exit status: 0 target met, 3 missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

regen=${DESIGNER_REGEN:-$(dirname "$SKYLARK_CLI")/designer_regen}
[ -x "$regen" ] || { echo "designer_regen: build the designer_regen target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ms=$(QT_QPA_PLATFORM=offscreen "$regen" "$work/wide.sql" 200)
shell=()
for ((i = 1; i <= 5; i++)); do
  measure "$work/wide.sql" /dev/null sqlite3 :memory:
  shell+=("$MEASURED_S")
done
s=$(awk -v v="$(median "${shell[@]}")" 'BEGIN { printf "%.3f", v * 1000 }')
r=$(ratio "$ms" "$s")
v=met
at_most "$ms" 10 || v=MISSED
echo "designer_regen: ${ms} ms per edit (target <= 10 ms), shell creating the table ${s} ms, ratio $r, $v"
[ "$v" = met ] || exit 3
