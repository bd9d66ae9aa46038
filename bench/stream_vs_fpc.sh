#!/usr/bin/env bash
# Times the binary form conversions, both directions, against Free Pascal's
# ObjectBinaryToText and ObjectTextToBinary on the same forms in one run, and
# prints the ratios. Forms Free Pascal cannot convert are left out of both.
#   bench/stream_vs_fpc.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
corpus=$root/../shared/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ ! -x "$build/fpc/dfmconv" ]; then
  mkdir -p "$build/fpc"
  fpc -O2 -vw -FE"$build/fpc" -FU"$build/fpc" "$root/tests/fpc/dfmconv.pas" >/dev/null
fi
awk -F'\t' -v c="$corpus" '$5=="dfm-binary" {print c "/" $1}' "$corpus/SOURCES.tsv" > "$work/all.txt"
fpc_out=$("$build/fpc/dfmconv" bench "$work/all.txt" "$work/used.txt" 10)
ours=$(TOLVERN_FORM_LIST="$work/used.txt" "$build/object_stream_bench" --benchmark_repetitions=5 \
       --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
mbs() { echo "$ours" | grep "^\"$1_median\"" | awk -F, '{printf "%.1f", $6/1048576}'; }
fpc_mbs() { echo "$fpc_out" | grep "$1" | awk '{print $3}'; }
b2t=$(mbs BM_BinaryToText); t2b=$(mbs BM_TextToBinary)
fb2t=$(fpc_mbs 'binary->text'); ft2b=$(fpc_mbs 'text->binary')
echo "forms: $(wc -l < "$work/used.txt") binary forms of the corpus"
printf "%-16s %10s %10s %8s\n" direction tolvern fpc ratio
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
printf "%-16s %7s MB/s %5s MB/s %7sx\n" "binary->text" "$b2t" "$fb2t" "$(ratio "$b2t" "$fb2t")"
printf "%-16s %7s MB/s %5s MB/s %7sx\n" "text->binary" "$t2b" "$ft2b" "$(ratio "$t2b" "$ft2b")"
