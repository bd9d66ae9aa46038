// Throughput of the form conversions, both directions, over a set of binary
// forms: the files listed in $TOLVERN_FORM_LIST (one path per line), or every
// binary form of the corpus. Throughput counts the bytes of the binary streams
// in both directions, so that it compares with other converters' figures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace {

using namespace tolvern;

struct Forms {
  std::vector<std::string> streams;
  std::vector<std::string> texts;
  int64_t bytes = 0;
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const Forms& Load() {
  static Forms forms = [] {
    Forms f;
    std::vector<std::string> paths;
    if (const char* list = std::getenv("TOLVERN_FORM_LIST")) {
      std::ifstream in(list);
      for (std::string line; std::getline(in, line);)
        if (!line.empty()) paths.push_back(line);
    } else {
      for (const auto& e : std::filesystem::recursive_directory_iterator(TOLVERN_CORPUS_DIR))
        if (e.is_regular_file()) paths.push_back(e.path().string());
    }
    for (const std::string& p : paths) {
      std::string bytes = Read(p);
      if (!IsBinaryForm(bytes)) continue;
      TRCData header;
      std::string stream(ReadFormResource(bytes, &header));
      f.texts.push_back(ObjectBinaryToText(stream));
      f.bytes += static_cast<int64_t>(stream.size());
      f.streams.push_back(std::move(stream));
    }
    return f;
  }();
  return forms;
}

void BM_BinaryToText(benchmark::State& state) {
  const Forms& f = Load();
  for (auto _ : state)
    for (const std::string& s : f.streams) benchmark::DoNotOptimize(ObjectBinaryToText(s));
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["forms"] = static_cast<double>(f.streams.size());
}
BENCHMARK(BM_BinaryToText)->Unit(benchmark::kMillisecond);

void BM_TextToBinary(benchmark::State& state) {
  const Forms& f = Load();
  for (auto _ : state)
    for (const std::string& t : f.texts) benchmark::DoNotOptimize(ObjectTextToBinary(t));
  state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_TextToBinary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
