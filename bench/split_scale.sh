#!/usr/bin/env bash
# Splits scripts of about 50 MB and 100 MB with `skylark-cli split` (median
# of 3 runs each) and prints both times and their ratio; splitting must scale
# linearly (target: t(100MB) / t(50MB) at most 2.2).
# Exit status: 0 target met, 3 target missed, 1 error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/common.bash
source "$here/common.bash"

runs=3
limit=2.2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# gen_script BYTES FILE: a realistic script of at least BYTES bytes: inserts
# with quoted semicolons and comment markers, line and block comments,
# multi-line updates, and now and then a trigger whose body holds CASE ... END.
gen_script() {
  awk -v target="$1" 'BEGIN {
    q = "\047"
    total = 0
    for (i = 1; total < target; i++) {
      u = "-- batch " i ": orders; the customer" q "s notes follow\n"
      u = u "INSERT INTO orders(id, customer, note) VALUES(" i ", " q "Customer " i "; Ltd" q \
          ", " q "ship to \"dock 4\"; -- fragile" q ");\n"
      u = u "INSERT INTO orders(id, customer, note) VALUES(" (i + 1000000000) ", " q "O" q q \
          "Hara; & Sons" q ", NULL); INSERT INTO audit VALUES(" i ", " q "/* not a comment */" q ");\n"
      u = u "/* block comment; with a semicolon */ UPDATE orders SET note = note || " q ";x" q "\n" \
          "   WHERE id = " i " AND customer <> " q "[none]" q ";\n"
      u = u "SELECT count(*), [odd;name] FROM orders WHERE note LIKE " q "%;%" q \
          " AND (id BETWEEN 1 AND " i ");\n\n"
      if (i % 50 == 0) {
        u = u "CREATE TRIGGER trg_" i " AFTER INSERT ON orders\nBEGIN\n" \
            "  UPDATE stats SET n = n + 1,\n" \
            "    last = CASE WHEN new.id > 0 THEN " q "pos; yes" q " ELSE " q "neg" q " END;\n" \
            "  INSERT INTO log VALUES(new.id, " q "inserted; ok" q ");\nEND;\n"
      }
      printf "%s", u
      total += length(u)
    }
  }' >"$2"
}

declare -A median_s median_user median_sys rss_mb size_mb
for mb in 50 100; do
  file="$work/script_${mb}MB.sql"
  gen_script $((mb * 1048576)) "$file"
  size_mb[$mb]=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1048576 }')
  times=() users=() syss=() rss=()
  for ((i = 1; i <= runs; i++)); do
    measure /dev/null /dev/null "$SKYLARK_CLI" split -f "$file"
    times+=("$MEASURED_S")
    users+=("$MEASURED_USER")
    syss+=("$MEASURED_SYS")
    rss+=("$MEASURED_KB")
  done
  median_s[$mb]=$(median "${times[@]}")
  median_user[$mb]=$(median "${users[@]}")
  median_sys[$mb]=$(median "${syss[@]}")
  rss_mb[$mb]=$(mb_of_kb "$(max_of "${rss[@]}")")
  echo "split_scale: runs ${size_mb[$mb]}MB wall ${times[*]} user ${users[*]} sys ${syss[*]}"
  rm -f "$file"
done

r=$(ratio "${median_s[100]}" "${median_s[50]}")
verdict=met
at_most "$r" "$limit" || verdict=MISSED
echo "split_scale: ${size_mb[50]}MB ${median_s[50]}s ${size_mb[100]}MB ${median_s[100]}s" \
  "ratio $r (target <= $limit, $verdict) peakRSS ${rss_mb[50]}MB ${rss_mb[100]}MB"
# CPU time split, to tell the program's own work from the kernel's.
echo "split_scale: cpu user ${median_user[50]}s ${median_user[100]}s" \
  "ratio $(ratio "${median_user[100]}" "${median_user[50]}")" \
  "sys ${median_sys[50]}s ${median_sys[100]}s ratio $(ratio "${median_sys[100]}" "${median_sys[50]}")"
[ "$verdict" = met ] || exit 3
