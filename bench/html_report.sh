#!/usr/bin/env bash
# The HTML report of one generated code base: the dry run with and without
# --html, interleaved so that both see the same machine, the page's size
# and the size of the diffs it holds; where chromium is installed, the time
# headless Chromium takes to load the page and run its script.
#
#   bench/html_report.sh [small|1m|LINES|uUNITS] [RUNS] [BUILD_DIR]
#
# uUNITS (u1500, u6000) generates that many units instead of lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-small}
runs=${2:-3}
build=${3:-$root/build}
gen_units=()
case "$size" in
  small) lines=100000 ;;
  1m) lines=1000000 ;;
  u*) lines=${size#u}; gen_units=(--units) ;;
  *) lines=$size ;;
esac
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-html-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/gen_corpus" "${gen_units[@]}" "$work/tree" "$lines" > "$work/gen.txt"
read -r real_lines _ < "$work/gen.txt"

# Elapsed seconds, user seconds and peak memory (KiB) of a command.
measure() { /usr/bin/time -f "%e %U %M" -o "$work/t" "$@" > "$work/out" 2>&1; cat "$work/t"; }
plain_t=(); plain_u=(); plain_m=(); html_t=(); html_u=(); html_m=()
for ((r = 0; r < runs; r++)); do
  read -r t u m < <(measure "$build/tolvern" migrate --folder "$work/tree" --recursive --dry-run --quiet)
  plain_t+=("$t"); plain_u+=("$u"); plain_m+=("$m")
  read -r t u m < <(measure "$build/tolvern" migrate --folder "$work/tree" --recursive --dry-run --quiet \
    --html "$work/report.html")
  html_t+=("$t"); html_u+=("$u"); html_m+=("$m")
done
files=$(grep -c '^<tr data-status=' "$work/report.html" || true)
changed=$(grep -c '^<tr data-status="changed"' "$work/report.html" || true)
"$build/tolvern" migrate --folder "$work/tree" --recursive --dry-run --quiet --diff > "$work/diff.txt" || true
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
awk -v l="$real_lines" -v r="$runs" -v pt="$(median "${plain_t[@]}")" -v pu="$(median "${plain_u[@]}")" -v hu="$(median "${html_u[@]}")" -v pm="$(median "${plain_m[@]}")" \
    -v ht="$(median "${html_t[@]}")" -v hm="$(median "${html_m[@]}")" \
    -v page="$(stat -c %s "$work/report.html")" -v diff="$(stat -c %s "$work/diff.txt")" \
    -v files="$files" -v changed="$changed" 'BEGIN {
  printf "tree: %d lines, %d files, %d changed; median of %d runs\n", l, files, changed, r
  printf "%-34s %6.2f s elapsed, %6.2f s user, %6.1f MiB peak\n", "tolvern migrate --dry-run", pt, pu, pm / 1024
  printf "%-34s %6.2f s elapsed, %6.2f s user, %6.1f MiB peak   +%.2f s\n", "tolvern migrate --dry-run --html", ht, hu, hm / 1024, ht - pt
  printf "page: %.1f MiB; the diffs it holds (--diff): %.1f MiB; %.2fx\n", page / 1048576, diff / 1048576, page / (diff > 0 ? diff : 1)
}'
if command -v chromium > /dev/null; then
  # Load, script (the files filtered) and DOM dump; Chromium's own start is
  # timed on an empty page.
  load() {
    local start end
    start=$(date +%s.%N)
    timeout 600 chromium --headless --disable-gpu --no-sandbox --no-first-run --disable-dev-shm-usage \
      --user-data-dir="$work/profile" --dump-dom "file://$1#filter=changed" > /dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
  }
  echo '<!DOCTYPE html><title>x</title>' > "$work/empty.html"
  echo "headless Chromium: the page loaded, its script run, its DOM dumped in $(load "$work/report.html") s (an empty page: $(load "$work/empty.html") s)"
fi
