#!/usr/bin/env bash
# Peak memory of a migration of one generated large unit (repeated real
# Pascal code using TQuery and TTable), against the unit's size: the run
# should stay within a small multiple of the largest file.
#
#   bench/big_unit_memory.sh [MB] [JOBS] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-100}
jobs=${2:-1}
build=${3:-$root/build}
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-memory-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/tree"
python3 - "$work/tree/Big.pas" "$mb" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
chunk = """procedure TForm1.Button%dClick(Sender: TObject);
var
  Q: TQuery;
  T: TTable;
begin
  Q := TQuery.Create(nil);
  try
    Q.DatabaseName := 'DB';
    Q.SQL.Text := 'select * from orders where id = :id';
    Q.ParamByName('id').AsInteger := %d;
    Q.Open;
    while not Q.Eof do
    begin
      Memo1.Lines.Add(Q.FieldByName('name').AsString);
      Q.Next;
    end;
  finally
    Q.Free;
  end;
end;

""".replace("\n", "\r\n")
head = ("unit Big;\r\n\r\ninterface\r\n\r\nuses\r\n  Windows, SysUtils, Classes, DB, DBTables;\r\n\r\n"
        "type\r\n  TForm1 = class(TForm)\r\n  end;\r\n\r\nimplementation\r\n\r\n")
with open(path, "w", newline="") as f:
    f.write(head)
    size, i = len(head), 0
    while size < mb << 20:
        c = chunk % (i, i)
        f.write(c)
        size += len(c)
        i += 1
    f.write("end.\r\n")
PY
bytes=$(stat -c %s "$work/tree/Big.pas")
/usr/bin/time -v -o "$work/time" "$build/tolvern" migrate --folder "$work/tree" --quiet \
  --jobs "$jobs" > "$work/out" 2>&1 || { cat "$work/out"; exit 1; }
peak_kb=$(awk -F': ' '/Maximum resident/ {print $2}' "$work/time")
secs=$(awk -F': ' '/Elapsed/ {print $2}' "$work/time")
awk -v b="$bytes" -v k="$peak_kb" -v s="$secs" -v j="$jobs" 'BEGIN {
  printf "unit: %.1f MB; jobs: %d; peak memory: %.1f MB (%.2f x the unit); time: %s\n",
         b / 1048576, j, k / 1024, k * 1024 / b, s }'
