#!/usr/bin/env bash
# Times the whole migration against its baselines on one generated code base,
# interleaving the runs so that all see the same machine (warm cache):
#   - cat of every file of the tree (the least a tool that reads everything
#     pays)
#   - a plain recursive copy of the tree (the floor the disk sets)
#   - tolvern migrate (folder mode, recursive, backup and log on), with one
#     job and with the default (the machine's cores)
#   - a regular-expression rename pass with sed over the same files (what
#     users reach for instead)
# for each layout of the tree: spread over folders of 50 units, and flat
# (every unit in one folder). Each line gives the median wall, user and
# system time of the runs.
#
# Every tree a timed command writes is copied before the timing starts, and
# the timing waits $settle seconds (TOLVERN_BENCH_SETTLE, 31 by default) for
# the file system to settle: ext4 without a journal passes over recently
# freed inodes one by one when it creates a file, so right after thousands
# of files were deleted (by an earlier run, a build, a test suite) creating
# files costs several times more, and which command paid for that would
# depend on the order of the steps. For the same reason the sed passes,
# which replace every file they edit and so free the old ones, come after
# the other commands.
#
# The layout "corpus" times the same on the real forms of the shared corpus
# (TOLVERN_CORPUS_DIR), each with a unit that names it.
#
#   bench/run.sh [small|1m|10m|LINES] [RUNS] [BUILD_DIR] [spread|flat|corpus|both]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-small}
runs=${2:-5}
build=${3:-$root/build}
layouts=${4:-both}
settle=${TOLVERN_BENCH_SETTLE:-31}
case "$size" in
  small) lines=100000 ;;
  1m) lines=1000000 ;;
  10m) lines=10000000 ;;
  *) lines=$size ;;
esac
[ "$layouts" = both ] && layouts="spread flat"
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# "Work alone": the same runs with every sync answered at once by a shim,
# since a sync is machine-wide and its cost depends on what else was written.
cc -shared -fPIC -O2 -o "$work/nosync.so" "$root/bench/nosync.c"
alone=(env LD_PRELOAD="$work/nosync.so")

# Appends "wall user sys peak-KB" of a command to the file $1.
timed() { local out=$1; shift; /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$@" > /dev/null 2>&1 || true; cat "$work/t" >> "$out"; }
# The median of column $2 of file $1.
median() { awk -v c="$2" '{print $c}' "$1" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
sed_script='s/\b(TDatabase)\b/TNXConnection/g; s/\b(TQuery|TwwQuery)\b/TNXQuery/g; s/\b(TTable|TwwTable)\b/TNXTable/g; s/\b(TStoredProc|TwwStoredProc)\b/TNXStoredProc/g; s/\bTwwDataSource\b/TNXDataSource/g; s/\bTUpdateSQL\b/TNXUpdateSQL/g; s/\bEDBEngineError\b/ENXOleError/g; s/\bTBatchMove\b/TKTBatchMove/g'

for layout in $layouts; do
  flag=""; [ "$layout" = flat ] && flag="--flat"
  dir=$work/$layout
  mkdir -p "$dir"
  if [ "$layout" = corpus ]; then
    # The real forms of the shared corpus, each with a unit that names it
    # (the corpus holds forms only), in their projects' folders.
    corpus=${TOLVERN_CORPUS_DIR:-$root/../shared/corpus}
    mkdir -p "$dir/tree"
    cp -r "$corpus"/. "$dir/tree"
    find "$dir/tree" -type f -iname '*.dfm' | while read -r form; do
      stem=$(basename "${form%.*}")
      printf 'unit %s;\r\ninterface\r\nuses DBTables, ADODB;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n' \
        "$stem" > "${form%.*}.pas"
    done
    real_lines=$(find "$dir/tree" -type f -print0 | xargs -0 cat | wc -l)
    bytes=$(du -sb "$dir/tree" | cut -f1)
  else
    "$build/gen_corpus" $flag "$dir/tree" "$lines" > "$dir/gen.txt"
    read -r real_lines _ bytes _ < "$dir/gen.txt"
  fi
  files=$(find "$dir/tree" -type f | wc -l)
  for ((r = 0; r < runs; r++)); do
    for name in m1 md a1 ad s; do cp -r "$dir/tree" "$dir/$name$r"; done
  done
  sync
  sleep "$settle"
  for ((r = 0; r < runs; r++)); do
    timed "$dir/cat.t" sh -c "find '$dir/tree' -type f -print0 | xargs -0 cat"
    timed "$dir/copy.t" cp -r "$dir/tree" "$dir/copy$r"
    timed "$dir/migrate-1.t" "$build/tolvern" migrate --folder "$dir/m1$r" --recursive --quiet --jobs 1
    timed "$dir/migrate-default.t" "$build/tolvern" migrate --folder "$dir/md$r" --recursive --quiet
    timed "$dir/alone-1.t" "${alone[@]}" "$build/tolvern" migrate --folder "$dir/a1$r" --recursive --quiet --jobs 1
    timed "$dir/alone-2.t" "${alone[@]}" "$build/tolvern" migrate --folder "$dir/ad$r" --recursive --quiet --jobs 2
  done
  # The sync calls of one durable run, counted by the system.
  cp -r "$dir/tree" "$dir/st"
  syncs=$(strace -f -c -e trace=fsync,fdatasync,syncfs,sync -o "$dir/strace.txt" \
            "$build/tolvern" migrate --folder "$dir/st" --recursive --quiet > /dev/null 2>&1;
          awk '$NF ~ /^(fsync|fdatasync|syncfs|sync)$/ {n += $4} END {print n + 0}' "$dir/strace.txt")
  for ((r = 0; r < runs; r++)); do
    timed "$dir/sed.t" sh -c "find '$dir/s$r' -type f \\( -name '*.pas' -o -name '*.dfm' -o -name '*.dpr' \\) -print0 | xargs -0 sed -i -E '$sed_script'"
  done
  printf '%s layout: %d lines, %.1f MB, %d files; median of %d runs (wall, user, system seconds)\n' \
    "$layout" "$real_lines" "$(awk -v b="$bytes" 'BEGIN {print b / 1048576}')" "$files" "$runs"
  copy=$(median "$dir/copy.t" 1); sed=$(median "$dir/sed.t" 1); one=$(median "$dir/migrate-1.t" 1)
  for name in cat copy migrate-1 migrate-default alone-1 alone-2 sed; do
    label=$name
    case $name in
      cat) label="cat of every file" ;;
      copy) label="plain copy (cp -r)" ;;
      migrate-1) label="tolvern --jobs 1" ;;
      migrate-default) label="tolvern (all cores)" ;;
      alone-1) label="work alone, 1 job" ;;
      alone-2) label="work alone, 2 jobs" ;;
      sed) label="sed rename pass" ;;
    esac
    awk -v l="$label" -v w="$(median "$dir/$name.t" 1)" -v u="$(median "$dir/$name.t" 2)" \
        -v s="$(median "$dir/$name.t" 3)" -v c="$copy" -v e="$sed" -v o="$one" -v n="$name" \
        -v a="$(median "$dir/alone-1.t" 1)" 'BEGIN {
      printf "  %-22s %7.2f %7.2f %7.2f", l, w, u, s
      if (c < 0.01) c = 0.01
      if (e < 0.01) e = 0.01
      if (n ~ /^(migrate|alone)/) printf "   %.2fx the copy, %.2fx the sed pass", w / c, w / e
      if (n == "migrate-default" && o > 0) printf ", %.2fx one job", w / o
      if (n == "alone-2" && a > 0) printf ", %.2fx one job", w / a
      printf "\n"
    }'
  done
  echo "  sync calls of one durable run: $syncs"
  if [ "${TOLVERN_BENCH_PERF:-0}" = 1 ] && command -v perf > /dev/null; then
    # Where one run's time goes: the top of a sampled profile (one job).
    cp -r "$dir/tree" "$dir/pf"
    perf record -q -o "$dir/perf.data" -- "$build/tolvern" migrate --folder "$dir/pf" \
      --recursive --quiet --jobs 1 > /dev/null 2>&1 || true
    echo "  profile of one run (one job), the top symbols:"
    perf report -q -i "$dir/perf.data" --stdio --sort sym 2> /dev/null | grep -v '^$' | head -12 |
      sed 's/^/    /'
  fi
  peak=$(awk '{print $4}' "$dir"/migrate-*.t | sort -n | tail -1)
  awk -v b="$bytes" -v l="$real_lines" -v w="$(median "$dir/migrate-default.t" 1)" -v p="$peak" 'BEGIN {
    printf "  migrate throughput: %.1f MB/s, %.0f lines/s, peak memory %.1f MB\n", b / 1048576 / w, l / w, p / 1024
  }'
done
