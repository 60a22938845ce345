#!/usr/bin/env bash
# Start-up of the desktop program to its first shown window and back out
# (`skylark --quit-after-start`) under the offscreen platform with an empty
# settings folder, 7 runs; the median must stay under 0.5 s. The peer line is
# the sqlite3 shell starting and stopping on the same machine, for scale.
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

app=${SKYLARK_APP:-$(dirname "$SKYLARK_CLI")/skylark}
[ -x "$app" ] || { echo "startup: $app is missing (build the skylark target)" >&2; exit 1; }
runs=7
limit=0.5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
st=() lt=() rss=()
for ((i = 1; i <= runs; i++)); do
  rm -rf "$work/config"
  mkdir -p "$work/config"
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="*.warning=false" \
    measure /dev/null /dev/null "$app" --quit-after-start
  st+=("$MEASURED_S")
  rss+=("$MEASURED_KB")
  measure /dev/null /dev/null sqlite3 :memory: "SELECT 1;"
  lt+=("$MEASURED_S")
done
[ -s "$work/config/skylark/DataSet_SYSTEMCONFIG.dblst" ] || {
  echo "startup: the settings were not written" >&2
  exit 1
}
ts=$(median "${st[@]}")
tl=$(median "${lt[@]}")
verdict=met
at_most "$ts" "$limit" || verdict=MISSED
echo "startup: first window and exit ${ts}s (target < ${limit}s, $verdict) ratio to sqlite3 start" \
  "$(ratio "$ts" "$tl") (sqlite3 ${tl}s) peakRSS $(mb_of_kb "$(max_of "${rss[@]}")")MB"
[ "$verdict" = met ] || exit 3
