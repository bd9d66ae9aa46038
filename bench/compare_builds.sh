#!/usr/bin/env bash
# Times two builds of tolvern against each other on one generated code base,
# interleaving their runs so that both see the same machine: a migration in
# folder mode (recursive, backup and log on) with one job and with the
# default, RUNS times each. Prints the median wall, user and system time and
# the peak memory of each build, and the ratio of the medians.
#
#   bench/compare_builds.sh OLD_TOLVERN NEW_TOLVERN [LINES] [RUNS] [GEN_CORPUS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
lines=${3:-300000}
runs=${4:-5}
gen=${5:-$root/build/gen_corpus}
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-compare-builds-XXXXXX")
trap 'rm -rf "$work"' EXIT

"$gen" "$work/tree" "$lines" > "$work/gen.txt"
echo "tree: $(cat "$work/gen.txt")"

# Appends "wall user sys peak-KB" of a command to the file $1.
timed() {
  local out=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$@" > /dev/null 2>&1
  cat "$work/t" >> "$out"
}
median() {
  awk -v c="$2" '{print $c}' "$1" | sort -n |
    awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'
}

for ((r = 0; r < runs; r++)); do
  for jobs in 1 default; do
    for build in old new; do
      bin=$old; [ $build = new ] && bin=$new
      tree="$work/$build-$jobs-$r"
      cp -r "$work/tree" "$tree"
      sync
      opts=(migrate --folder "$tree" --recursive --quiet)
      [ $jobs = 1 ] && opts+=(--jobs 1)
      timed "$work/$build-$jobs.t" "$bin" "${opts[@]}"
      rm -rf "$tree"
    done
  done
done

printf '%-8s %-8s %8s %8s %8s %10s\n' jobs build wall user sys peak-KB
for jobs in 1 default; do
  for build in old new; do
    f="$work/$build-$jobs.t"
    printf '%-8s %-8s %8s %8s %8s %10s\n' "$jobs" "$build" "$(median "$f" 1)" "$(median "$f" 2)" \
      "$(median "$f" 3)" "$(median "$f" 4)"
  done
  echo "$jobs: new/old wall $(awk -v a="$(median "$work/new-$jobs.t" 1)" \
    -v b="$(median "$work/old-$jobs.t" 1)" 'BEGIN {printf "%.3f", a / b}')"
done
