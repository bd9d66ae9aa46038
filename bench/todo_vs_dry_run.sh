#!/usr/bin/env bash
# Times `tolvern todo` against a dry run of the migration over one generated
# code base, interleaving the runs so that both see the same machine.
#
#   bench/todo_vs_dry_run.sh [small|1m|LINES] [RUNS] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-small}
runs=${2:-5}
build=${3:-$root/build}
case "$size" in
  small) lines=100000 ;;
  1m) lines=1000000 ;;
  *) lines=$size ;;
esac
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-todo-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/gen_corpus" "$work/tree" "$lines" > "$work/gen.txt"
read -r real_lines _ < "$work/gen.txt"

seconds() { /usr/bin/time -f "%e %U" -o "$work/t" "$@" > "$work/out" 2>&1; cat "$work/t"; }
dry_t=(); dry_u=(); todo_t=(); todo_u=()
for ((r = 0; r < runs; r++)); do
  read -r t u < <(seconds "$build/tolvern" migrate --folder "$work/tree" --recursive --dry-run --quiet)
  dry_t+=("$t"); dry_u+=("$u")
  read -r t u < <(seconds "$build/tolvern" todo --folder "$work/tree" --recursive)
  todo_t+=("$t"); todo_u+=("$u")
done
items=$(tail -1 "$work/out")
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
awk -v l="$real_lines" -v r="$runs" -v dt="$(median "${dry_t[@]}")" -v du="$(median "${dry_u[@]}")" \
    -v tt="$(median "${todo_t[@]}")" -v tu="$(median "${todo_u[@]}")" -v items="$items" 'BEGIN {
  printf "tree: %d lines; median of %d runs; %s\n", l, r, items
  printf "%-26s %6.2f s elapsed, %6.2f s user\n", "tolvern migrate --dry-run", dt, du
  if (dt < 0.01) dt = 0.01
  printf "%-26s %6.2f s elapsed, %6.2f s user   %.2fx the dry run\n", "tolvern todo", tt, tu, tt / dt
}'
