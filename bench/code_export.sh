#!/usr/bin/env bash
# The code export's scaling: `skylark-cli code-export --item C#` of 1 MB of
# SQL (with one 100 KB line) and of 10 MB (with one 1 MB line), median of 3:
# 10x the text in at most 11x the time.
# Exit status: 0 target met, 3 missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"

make_sql() { # make_sql FILE LINES LONG: LINES short lines and one of LONG bytes
  awk -v n="$2" -v long="$3" 'BEGIN {
    for (i = 0; i < n; i++) printf "SELECT \"col%d\", '\''it'\''s %d'\'' FROM t WHERE x = %d AND y = '\''a\\\\b'\'';\r\n", i, i, i
    s = "SELECT "; while (length(s) < long) s = s "word \"q\" "; print s
  }' > "$1"
}
make_sql "$work/small.sql" 14000 100000
make_sql "$work/big.sql" 140000 1000000

time_of() {
  local ts=()
  for ((i = 1; i <= 3; i++)); do
    measure "$1" /dev/null "$SKYLARK_CLI" code-export --item 'C#'
    ts+=("$MEASURED_S")
  done
  T=$(median "${ts[@]}")
}
time_of "$work/small.sql"
small=$T
time_of "$work/big.sql"
big=$T
r=$(ratio "$big" "$small")
v=met
status=0
at_most "$r" 11 || { v=MISSED; status=3; }
echo "code_export: $(( $(stat -c %s "$work/small.sql") / 1024 )) KB ${small}s, $(( $(stat -c %s "$work/big.sql") / 1024 )) KB ${big}s, ratio $r (target <= 11), $v"
exit $status
