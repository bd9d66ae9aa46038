#!/usr/bin/env bash
# Checks that the manual page (docs/tolvern.1) describes every subcommand and
# every option the program's help lists, and that groff reads it without a
# warning.
#
#   scripts/check-man-page.sh TOLVERN_BINARY
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$1
page=$root/docs/tolvern.1
missing=0
subs=$("$bin" --help | sed -n '/^SUBCOMMANDS:/I,/^$/{/^  *[a-z]/{s/^  *\([a-z][a-z-]*\).*/\1/p}}')
[ -n "$subs" ] || { echo "FAILED: no subcommands in '$bin --help'" >&2; exit 1; }
for sub in $subs; do
  grep -qx "\.B $sub" "$page" || { echo "the page has no entry for the subcommand $sub" >&2; missing=1; }
  for opt in $("$bin" "$sub" --help | grep -E '^ +-' | grep -oE '(^| |,)--[a-z][a-z-]*' | tr -d ' ,'); do
    grep -qF -- "${opt//-/\\-}" "$page" || { echo "the page does not describe $sub $opt" >&2; missing=1; }
  done
done
[ $missing = 0 ] || { echo "FAILED: describe them in docs/tolvern.1" >&2; exit 1; }
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || { echo "FAILED: groff warns: $warnings" >&2; exit 1; }
fi
echo "docs/tolvern.1 describes every subcommand and option of $(basename "$bin") --help"
