// The hot paths of unit rewriting: scanning Pascal text into tokens, and
// rewriting a unit (scan, class-name lookups, the uses-clause edit, output).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/nx_replacer.h"
#include "parsing/pascal_scanner.h"

namespace {

using namespace tolvern;

std::string PascalText(int procs) {
  std::string s =
      "unit Big;\r\ninterface\r\nuses Windows, SysUtils, DBTables, Forms;\r\n"
      "type TF = class(TForm)\r\n  Q: TQuery;\r\n  T: TTable;\r\nend;\r\nimplementation\r\n";
  for (int p = 0; p < procs; ++p) {
    s += "procedure TF.P" + std::to_string(p) +
         ";\r\nvar Q: TQuery; I: Integer;\r\nbegin\r\n"
         "  { open the TQuery (* nested *) }\r\n  Q := TQuery.Create(nil); // fresh\r\n"
         "  Q.SQL.Text := 'select * from ORDERS where ID = :ID';\r\n"
         "  for I := 0 to Q.FieldCount - 1 do Inc(Total);\r\n  I := I * 2 + $FF;\r\nend;\r\n\r\n";
  }
  return s + "end.\r\n";
}

void BM_Scan(benchmark::State& state) {
  const std::string text = PascalText(5000);
  for (auto _ : state) {
    TPasParser p(text);
    std::string_view t;
    int n = 0;
    while (p.GetNext(&t) != kTokEnd) ++n;
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Scan);

void BM_ReplaceInUnit(benchmark::State& state) {
  NXReplacerScope library;
  const std::string text = PascalText(5000);
  const std::string dest =
      (std::filesystem::temp_directory_path() / ("tolvern-bench-" + std::to_string(getpid())))
          .string();
  for (auto _ : state) BdeReplacer->ReplaceInUnit(text, "Big.pas", TextEncoding::kAnsi, dest);
  std::filesystem::remove(dest);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReplaceInUnit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
