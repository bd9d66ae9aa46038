// Grammar parse of one form object: how the time grows with the number of
// string-list lines and with the nesting depth.
#include <benchmark/benchmark.h>

#include <string>

#include "parsing/nx_form_parser.h"

namespace {

using tolvern::TNXFormParser;

std::string QueryWithLines(int lines) {
  std::string text = "object Query1: TQuery\r\n  DatabaseName = 'DB'\r\n  SQL.Strings = (";
  for (int i = 0; i < lines; ++i)
    text += "\r\n    'select FIELD_" + std::to_string(i) + " from TABLE_" + std::to_string(i) + "'";
  text += ")\r\n  Left = 8\r\n  Top = 16\r\nend\r\n";
  return text;
}

std::string Nested(int depth) {
  std::string text;
  for (int d = 0; d <= depth; ++d) {
    std::string ind(static_cast<size_t>(2 * d), ' ');
    text += ind + "object O" + std::to_string(d) + ": TTable\r\n" + ind + "  TableName = 'T'\r\n";
  }
  for (int d = depth; d >= 0; --d) text += std::string(static_cast<size_t>(2 * d), ' ') + "end\r\n";
  return text;
}

void Run(benchmark::State& state, const std::string& text) {
  TNXFormParser parser;
  parser.SetTargetClassName("TNXQuery");
  std::string out;
  for (auto _ : state) {
    int pos = 1;
    if (!parser.Parse(text, "<object>", pos)) state.SkipWithError("no parse");
    parser.GetObjectText(0, out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_StringListLines(benchmark::State& state) {
  Run(state, QueryWithLines(static_cast<int>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StringListLines)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Complexity();

// The work grows with the depth in proportion to the text: every nested
// object is recognised once.
void BM_NestingDepth(benchmark::State& state) {
  Run(state, Nested(static_cast<int>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NestingDepth)->DenseRange(1, 32)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
