#include "corpus.h"

#include <cstdlib>
#include <filesystem>

namespace tolvern::testing {

std::string CorpusDir() {
  const char* env = std::getenv("TOLVERN_CORPUS_DIR");
  std::string dir = env && *env ? env : TOLVERN_CORPUS_DIR;
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : std::string();
}

bool CorpusRequired() {
  const char* env = std::getenv("TOLVERN_REQUIRE_CORPUS");
  return env && *env && std::string(env) != "0";
}

std::string NoCorpusMessage(const std::string& what) {
  return "no form corpus found, so this test did not cover " + what +
         ". Point TOLVERN_CORPUS_DIR (environment or CMake option) at a folder of .dfm files, "
         "such as ../shared/corpus.";
}

}  // namespace tolvern::testing
