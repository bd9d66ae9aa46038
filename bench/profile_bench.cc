// Reading mapping profiles of hostile shapes: many aliases, and values
// nested deeply. Both should cost time in proportion to the text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "parsing/mapping_profile.h"

namespace {

using namespace tolvern;

// A profile that maps count aliases, each to a new connection.
std::string ManyAliases(int count) {
  std::string s = "{\"aliases\": {\n";
  for (int i = 0; i < count; ++i)
    s += std::string(i ? ",\n" : "") + "  \"ALIAS" + std::to_string(i) + "\": {\"database\": \"db" +
         std::to_string(i) + "\"}";
  return s + "\n}}\n";
}

// A profile whose reserved part nests arrays depth levels deep.
std::string Nested(int depth) {
  return "{\"todo\": " + std::string(static_cast<size_t>(depth), '[') +
         std::string(static_cast<size_t>(depth), ']') + "}";
}

void Parse(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    std::vector<std::string> problems;
    MappingProfile p = ParseProfile(text, &problems);
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(problems);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ProfileAliases(benchmark::State& state) {
  Parse(state, ManyAliases(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ProfileAliases)->Arg(6000)->Arg(60000)->Unit(benchmark::kMillisecond);

void BM_ProfileNesting(benchmark::State& state) {
  Parse(state, Nested(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ProfileNesting)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
