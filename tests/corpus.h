// The corpus of real form files that some tests read. Its folder comes from
// the environment variable TOLVERN_CORPUS_DIR, else from the folder the build
// was configured with (CMake option TOLVERN_CORPUS_DIR, by default
// ../shared/corpus beside the source), when that exists. Without a corpus the
// tests that need one skip and say what they would have covered; with
// TOLVERN_REQUIRE_CORPUS set (as CI sets it where the corpus exists) they fail
// instead, so that a corpus that went missing is never mistaken for a pass.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tolvern::testing {

// The corpus folder, or "" when there is none.
std::string CorpusDir();
bool CorpusRequired();
std::string NoCorpusMessage(const std::string& what);

}  // namespace tolvern::testing

#define TOLVERN_NEED_CORPUS(what)                                \
  do {                                                           \
    if (::tolvern::testing::CorpusDir().empty()) {               \
      if (::tolvern::testing::CorpusRequired())                  \
        FAIL() << ::tolvern::testing::NoCorpusMessage(what);     \
      GTEST_SKIP() << ::tolvern::testing::NoCorpusMessage(what); \
    }                                                            \
  } while (false)
