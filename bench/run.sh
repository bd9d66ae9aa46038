#!/usr/bin/env bash
# Times the whole migration against its baselines on one generated code base,
# interleaving the runs so that all see the same machine:
#   - tolvern migrate (folder mode, recursive, backup and log on)
#   - a plain recursive copy of the tree (the floor the disk sets)
#   - a regular-expression rename pass with sed over the same files (what
#     users reach for instead)
# and, for the binary forms alone, the form conversion against Free Pascal's.
#
#   bench/run.sh [small|1m|10m|LINES] [RUNS] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-small}
runs=${2:-5}
build=${3:-$root/build}
case "$size" in
  small) lines=100000 ;;
  1m) lines=1000000 ;;
  10m) lines=10000000 ;;
  *) lines=$size ;;
esac
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/gen_corpus" "$work/tree" "$lines" > "$work/gen.txt"
read -r real_lines _ bytes _ < "$work/gen.txt"
files=$(find "$work/tree" -type f | wc -l)

seconds() { /usr/bin/time -f "%e %M" -o "$work/t" "$@" > /dev/null 2>&1; cat "$work/t"; }
sed_script='s/\b(TDatabase)\b/TNXConnection/g; s/\b(TQuery|TwwQuery)\b/TNXQuery/g; s/\b(TTable|TwwTable)\b/TNXTable/g; s/\b(TStoredProc|TwwStoredProc)\b/TNXStoredProc/g; s/\bTwwDataSource\b/TNXDataSource/g; s/\bTUpdateSQL\b/TNXUpdateSQL/g; s/\bEDBEngineError\b/ENXOleError/g; s/\bTBatchMove\b/TKTBatchMove/g'

copy_t=(); migrate_t=(); migrate_m=(); sed_t=()
for ((r = 0; r < runs; r++)); do
  rm -rf "$work/copy"
  read -r t _ < <(seconds cp -r "$work/tree" "$work/copy")
  copy_t+=("$t")
  rm -rf "$work/m" && cp -r "$work/tree" "$work/m" && sync
  read -r t m < <(seconds "$build/tolvern" migrate --folder "$work/m" --recursive --quiet)
  migrate_t+=("$t"); migrate_m+=("$m")
  rm -rf "$work/s" && cp -r "$work/tree" "$work/s" && sync
  read -r t _ < <(seconds sh -c "find '$work/s' -type f \\( -name '*.pas' -o -name '*.dfm' -o -name '*.dpr' \\) -print0 | xargs -0 sed -i -E '$sed_script'")
  sed_t+=("$t")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
mc=$(median "${copy_t[@]}"); mm=$(median "${migrate_t[@]}"); ms=$(median "${sed_t[@]}")
peak=$(printf '%s\n' "${migrate_m[@]}" | sort -n | tail -1)
awk -v l="$real_lines" -v b="$bytes" -v f="$files" -v c="$mc" -v m="$mm" -v s="$ms" -v p="$peak" -v r="$runs" 'BEGIN {
  printf "tree: %d lines, %.1f MB, %d files; median of %d runs\n", l, b / 1048576, f, r
  printf "%-22s %8.2f s\n", "plain copy (cp -r)", c
  if (c < 0.01) c = 0.01
  if (s < 0.01) s = 0.01
  printf "%-22s %8.2f s   %.2fx the copy, %.2fx the sed pass\n", "tolvern migrate", m, m / c, m / s
  printf "%-22s %8.2f s\n", "sed rename pass", s
  printf "migrate throughput: %.1f MB/s, %.0f lines/s, peak memory %.1f MB\n", b / 1048576 / m, l / m, p / 1024
}'
