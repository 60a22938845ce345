#!/usr/bin/env bash
# The overview's status check over 1,000 listed files (a mix of valid,
# empty, missing and invalid ones): `skylark-cli probe` reads every header
# the way the status list does; the peer line is the sqlite3 shell reading
# one header value (PRAGMA user_version) of 100 of them, for scale.
# Target: under 0.5 s for the 1,000. Median of 5 runs.
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"

n=${CHECK_FILES:-1000}
runs=5
limit=0.5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sqlite3 "$work/seed.db" "CREATE TABLE t(a); INSERT INTO t VALUES (1);"
files=()
for ((i = 0; i < n; i++)); do
  f="$work/db$i.sqlitedb"
  case $((i % 4)) in
  0) cp "$work/seed.db" "$f" ;;
  1) : >"$f" ;;
  2) head -c 300 /dev/urandom >"$f" ;;
  3) ;; # missing
  esac
  files+=("$f")
done
st=() lt=()
for ((r = 1; r <= runs; r++)); do
  measure /dev/null "$work/out.txt" "$SKYLARK_CLI" probe "${files[@]}"
  st+=("$MEASURED_S")
  start=$(date +%s%N)
  for ((i = 0; i < 100; i += 4)); do sqlite3 "${files[$i]}" "PRAGMA user_version;" >/dev/null; done
  end=$(date +%s%N)
  lt+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
done
[ "$(wc -l <"$work/out.txt")" -eq "$n" ] || { echo "check_files: wrong line count" >&2; exit 1; }
ts=$(median "${st[@]}")
tl=$(median "${lt[@]}")
verdict=met
at_most "$ts" "$limit" || verdict=MISSED
echo "check_files: $n files skylark ${ts}s (target < ${limit}s, $verdict); sqlite3 shell on 25 of them ${tl}s"
[ "$verdict" = met ] || exit 3
