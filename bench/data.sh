#!/usr/bin/env bash
# The data move on a generated Paradox table of ROWS records with every field
# type (bench/gen_tables.py) against a copy of its files: rows per second,
# the ratio to the copy, and peak memory, for the SQLite database and for
# the SQL script.
#
#   bench/data.sh [ROWS] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-1000000}
build=${2:-$root/build}
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-data-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/gen_tables.py" "$work/tables" "$rows"
bytes=$(du -cb "$work/tables"/* | tail -1 | cut -f1)

# Elapsed seconds and peak memory (KiB) of a command.
measure() { /usr/bin/time -f "%e %M" -o "$work/t" "$@" > "$work/out" 2>&1 || { cat "$work/out"; exit 1; }; cat "$work/t"; }
sync
read -r copy_t copy_m < <(measure cp -r "$work/tables" "$work/copy")
read -r lite_t lite_m < <(measure "$build/tolvern" data --sqlite "$work/out.sqlite" "$work/tables")
read -r sql_t sql_m < <(measure "$build/tolvern" data --sql "$work/out.sql" "$work/tables")
cat "$work/out"
rate() { awk -v r="$rows" -v t="$1" 'BEGIN { printf "%.0f", (t > 0 ? r / t : 0) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
printf '%s rows, table files %s MB\n' "$rows" $((bytes / 1000000))
printf '%-24s %8s %12s %8s %10s\n' what seconds rows/s x-copy "peak KiB"
printf '%-24s %8s %12s %8s %10s\n' "cp of the files" "$copy_t" - 1.0 "$copy_m"
printf '%-24s %8s %12s %8s %10s\n' "data --sqlite" "$lite_t" "$(rate "$lite_t")" "$(ratio "$lite_t" "$copy_t")" "$lite_m"
printf '%-24s %8s %12s %8s %10s\n' "data --sql" "$sql_t" "$(rate "$sql_t")" "$(ratio "$sql_t" "$copy_t")" "$sql_m"
printf 'outputs: SQLite %s MB, script %s MB\n' $(( $(stat -c %s "$work/out.sqlite") / 1000000 )) $(( $(stat -c %s "$work/out.sql") / 1000000 ))
