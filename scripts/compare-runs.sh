#!/usr/bin/env bash
# Migrates the bundled example and every project of the form corpus with one
# build of tolvern, in project and folder mode, with both replacers, with one
# and three jobs, and prints one checksum line per run: the exit code, the
# console output and every byte of the tree afterwards (originals, backups,
# undo file, log and to-do list less their time stamps). Two builds that
# print the same lines migrate to the same bytes.
#
#   scripts/compare-runs.sh TOLVERN_BINARY [CORPUS_DIR] > sums.txt
#   diff <(scripts/compare-runs.sh old/tolvern) <(scripts/compare-runs.sh build/tolvern)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "$1")
corpus=${2:-${TOLVERN_CORPUS_DIR:-$root/../shared/corpus}}
# One fixed place, so that the absolute paths in undo files and logs are the
# same from one build to the next.
work=${TMPDIR:-/tmp}/tolvern-compare
rm -rf "$work"
mkdir -p "$work"

# shellcheck source=lib/corpus-project.sh
source "$(dirname "$0")/lib/corpus-project.sh"

# The checksum of a run: exit code, console output, then every file.
run_sum() {
  local label=$1 tree=$2; shift 2
  local rc=0
  "$bin" "$@" > "$work/out" 2>&1 || rc=$?
  {
    echo "rc=$rc"
    sed -E 's/time: [0-9.]+ s/time: T/' "$work/out"
    (cd "$tree" && find . -type f | LC_ALL=C sort | while IFS= read -r f; do
      echo "== $f"
      case "$f" in
        *Wiz_Log.txt) sed -E 's/[0-9]{1,4}[-./:][0-9]{1,2}[-./:][0-9]{1,4}[ T0-9:.]*//g' "$f" ;;
        *) cat "$f" ;;
      esac
    done)
  } | md5sum | sed "s|-\$|$label|"
}

each_run() {
  local name=$1 src=$2
  for family in bde ado; do
    local ado=""; [ $family = ado ] && ado=--ado
    for jobs in 1 3; do
      for mode in project folder; do
        local tree="$work/t"
        rm -rf "$tree"
        cp -r "$src" "$tree"
        if [ $mode = project ]; then
          local dpr=$(find "$tree" -maxdepth 1 -iname '*.dpr' | head -1)
          run_sum "$name $family j$jobs $mode" "$tree" migrate --project "$dpr" $ado -j "$jobs" -q --report "$tree/report.json"
        else
          run_sum "$name $family j$jobs $mode" "$tree" migrate --folder "$tree" -r $ado -j "$jobs" -q --report "$tree/report.json"
        fi
      done
    done
  done
}

each_run example "$root/examples/orders"
if [ -d "$corpus" ]; then
  for project in "$corpus"/*/; do
    name=$(basename "$project")
    rm -rf "$work/src"
    cp -r "$project" "$work/src"
    make_project "$work/src" "$(echo "$name" | tr -c 'A-Za-z0-9\n' _)" "Classes, DB, DBTables, ADODB"
    each_run "$name" "$work/src"
  done
fi
rm -rf "$work"
