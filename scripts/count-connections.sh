#!/usr/bin/env bash
# Counts, for the bundled example and every project of the form corpus, the
# BDE data sets that name a database (DatabaseName) and those that the run
# binds to a connection (Connection), in project and in folder mode, without
# a profile and with the profile `tolvern aliases --write-profile` writes
# (every alias mapped to a new connection): a dry run of each with a report,
# read back. One line per project and mode, and the totals.
#
#   scripts/count-connections.sh TOLVERN_BINARY [CORPUS_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "$1")
corpus=${2:-${TOLVERN_CORPUS_DIR:-$root/../shared/corpus}}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=lib/corpus-project.sh
source "$(dirname "$0")/lib/corpus-project.sh"

count() {
  python3 - "$1" <<'PY'
import json, sys
named = bound = 0
for f in json.load(open(sys.argv[1]))["files"]:
    for o in f.get("objects", []):
        for p in o.get("converted", []) + o.get("dropped", []):
            if p["name"] != "DatabaseName" or p.get("reason") == "database-name":
                continue
            named += 1
            bound += any(t["name"] == "Connection" for t in p.get("to", []))
print(named, bound)
PY
}

each_run() {
  local name=$1 src=$2
  for mode in project folder; do
    rm -rf "$work/t" "$work/aliases.json"
    cp -r "$src" "$work/t"
    local source
    if [ $mode = project ]; then
      source=(--project "$(find "$work/t" -maxdepth 1 -iname '*.dpr' | head -1)")
    else
      source=(--folder "$work/t" -r)
    fi
    "$bin" migrate "${source[@]}" -n -q --report "$work/report.json" > /dev/null 2>&1 || true
    local plain=$(count "$work/report.json")
    "$bin" aliases "${source[@]}" --write-profile "$work/aliases.json" > /dev/null 2>&1 || true
    "$bin" migrate "${source[@]}" -n -q --profile "$work/aliases.json" \
      --report "$work/report.json" > /dev/null 2>&1 || true
    echo "$name $mode $plain $(count "$work/report.json" | cut -d' ' -f2)"
  done
}

{
  each_run example "$root/examples/orders"
  if [ -d "$corpus" ]; then
    for project in "$corpus"/*/; do
      name=$(basename "$project")
      rm -rf "$work/src"
      cp -r "$project" "$work/src"
      make_project "$work/src" "$(echo "$name" | tr -c 'A-Za-z0-9\n' _)" "Classes, DB, DBTables"
      each_run "$name" "$work/src"
    done
  fi
} | awk '{ print $1, $2, "DatabaseName:", $3, "Connection:", $4, "with every alias mapped:", $5
           n[$2] += $3; b[$2] += $4; a[$2] += $5 }
         END { for (m in n) print "total", m, "DatabaseName:", n[m], "Connection:", b[m],
                                  "with every alias mapped:", a[m] }'
