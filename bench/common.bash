# Helpers shared by the bench/*.sh scripts (sourced, not run on its own).
# shellcheck shell=bash disable=SC2034  # the MEASURED_* results are read by the callers
# SKYLARK_CLI names the command-line binary under test.

: "${SKYLARK_CLI:?set SKYLARK_CLI to the skylark-cli binary}"
GNU_TIME=/usr/bin/time
if [ ! -x "$GNU_TIME" ]; then
  echo "GNU time is missing: run scripts/install-deps" >&2
  exit 1
fi

# measure IN OUT CMD...: runs CMD with standard input from IN and standard
# output to OUT; sets MEASURED_S (wall seconds), MEASURED_KB (peak RSS) and
# MEASURED_USER / MEASURED_SYS (CPU seconds in user and kernel mode).
# Fails when CMD fails.
measure() {
  local in=$1 out=$2
  shift 2
  local rssfile start end rc=0
  rssfile=$(mktemp)
  start=$(date +%s%N)
  "$GNU_TIME" -f '%M %U %S' -o "$rssfile" "$@" <"$in" >"$out" || rc=$?
  end=$(date +%s%N)
  read -r MEASURED_KB MEASURED_USER MEASURED_SYS < <(tail -n 1 "$rssfile")
  rm -f "$rssfile"
  if [ "$rc" -ne 0 ]; then
    echo "command failed (exit $rc): $*" >&2
    return 1
  fi
  MEASURED_S=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
}

# median VALUE...: the middle value (the lower middle of an even count).
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# ratio A B: A / B with two decimals.
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'
}

# at_most VALUE LIMIT: true when VALUE <= LIMIT.
at_most() {
  awk -v v="$1" -v l="$2" 'BEGIN { exit !(v <= l) }'
}

# Megabytes of a kilobyte count, rounded.
mb_of_kb() {
  awk -v k="$1" 'BEGIN { printf "%d", k / 1024 + 0.5 }'
}

# max_of VALUE...: the largest value.
max_of() {
  printf '%s\n' "$@" | sort -g | tail -n 1
}

# make_export_table FILE ROWS: the exporters' table t (integer key, short
# text, text with quotes and commas, real, NULLs) with ROWS rows.
make_export_table() {
  sqlite3 "$1" "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, note TEXT, price REAL, extra);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < $2)
INSERT INTO t SELECT i, 'name ' || i,
  CASE i % 3 WHEN 0 THEN 'say \"hi\", then go' WHEN 1 THEN 'a,b,c' ELSE 'plain ' || (i * 31 % 977) END,
  (i % 10000) / 8.0,
  CASE WHEN i % 5 = 0 THEN NULL ELSE i * 7 END
FROM c;"
}
