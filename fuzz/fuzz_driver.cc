// A small stand-alone driver for the fuzz targets, for compilers without
// libFuzzer: it feeds the target the seed files given on the command line and
// then random mutations of them, for a bounded number of runs, with a fixed
// seed so that a failure can be repeated.
//
//   fuzz_x [--runs N] [--seed S] [FILE_OR_FOLDER...]
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The input under test, written out when the target fails so that the
// failure can be repeated: fuzz_x crash-input.
const std::string* g_current = nullptr;

void OnCrash(int sig) {
  if (g_current) {
    if (FILE* f = std::fopen("crash-input", "wb")) {
      std::fwrite(g_current->data(), 1, g_current->size(), f);
      std::fclose(f);
      std::fprintf(stderr, "failing input written to crash-input\n");
    }
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void Test(const std::string& input) {
  g_current = &input;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

void AddSeed(const std::filesystem::path& p, std::vector<std::string>* seeds) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  std::string s = ss.str();
  if (s.size() > (1u << 20)) s.resize(1u << 20);
  seeds->push_back(std::move(s));
}

std::string Mutate(std::string s, std::mt19937_64& rng) {
  int edits = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < edits; ++i) {
    size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 5) {
      case 0:  // flip a byte
        if (!s.empty()) s[at % s.size()] = static_cast<char>(rng());
        break;
      case 1:  // insert a byte
        s.insert(s.begin() + static_cast<long>(at), static_cast<char>(rng()));
        break;
      case 2:  // delete a run
        if (!s.empty()) s.erase(at % s.size(), 1 + rng() % 16);
        break;
      case 3: {  // insert an interesting token
        static const char* kTokens[] = {"{",     "}",       "(*",   "*)",   "//",  "'",    "''",
                                        "\r\n",  "object ", " = ",  "(",    ")",   "[",    "]",
                                        "#1055", "1.5e3",   "\x12", "\x0e", "end", "item", "<",
                                        ">",     "#13",     "$",    "\0"};
        s.insert(at, kTokens[rng() % (sizeof kTokens / sizeof *kTokens)]);
        break;
      }
      default:  // truncate
        s.resize(at);
        break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 10000;
  uint64_t seed = 1;
  std::vector<std::string> seeds;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
      runs = std::atol(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::filesystem::is_directory(argv[i])) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i]))
        if (e.is_regular_file()) AddSeed(e.path(), &seeds);
    } else {
      AddSeed(argv[i], &seeds);
    }
  }
  if (seeds.empty()) seeds.push_back("object Form1: TForm\n  Caption = 'x'\nend\n");
  std::signal(SIGABRT, OnCrash);
  std::signal(SIGSEGV, OnCrash);
  std::set_terminate([] { OnCrash(SIGABRT); });
  for (const std::string& s : seeds) Test(s);
  std::mt19937_64 rng(seed);
  for (long r = 0; r < runs; ++r) {
    std::string input = Mutate(seeds[rng() % seeds.size()], rng);
    Test(input);
  }
  std::printf("%ld runs over %zu seeds: no failure\n", runs, seeds.size());
  return 0;
}
