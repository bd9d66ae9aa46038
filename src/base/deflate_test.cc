#include "base/deflate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tolvern {
namespace {

// Texts of the shapes the page's diffs have, and the edge cases of the coder.
std::vector<std::pair<std::string, std::string>> Samples() {
  std::vector<std::pair<std::string, std::string>> samples = {
      {"empty", ""},
      {"one byte", "x"},
      {"every byte value", ""},
      {"a run longer than the longest match", std::string(1000, 'a')},
      {"a diff",
       "--- a/Main.pas\n+++ b/Main.pas\n@@ -1,3 +1,3 @@\n uses\n-  DBTables;\n+  NxDb;\n"},
  };
  for (int b = 0; b < 256; ++b) samples[2].second += static_cast<char>(b);
  std::string lines;
  for (int i = 0; i < 4000; ++i)
    lines += " qryOrders" + std::to_string(i % 37) + ": TQuery; // \xD0\x9A\xD0\xBB\n";
  samples.push_back({"repeated lines past the window", lines});
  std::mt19937 rng(7);
  std::string noise;
  for (int i = 0; i < 70000; ++i) noise += static_cast<char>(rng() % 7 + 'a');
  samples.push_back({"noise of few letters", noise});
  return samples;
}

TEST(DeflateTest, WhatIsDeflatedInflatesToTheSameBytes) {
  for (const auto& [what, data] : Samples()) {
    const std::string packed = DeflateRaw(data);
    const auto back = InflateRaw(packed);
    ASSERT_TRUE(back.has_value()) << what;
    EXPECT_EQ(*back, data) << what;
    if (what == std::string("repeated lines past the window")) {
      EXPECT_LT(packed.size(), data.size() / 2) << what;
    }
  }
}

TEST(DeflateTest, ZlibReadsTheStream) {
#ifdef _WIN32
  GTEST_SKIP() << "Python's zlib is asked on Linux only";
#else
  if (std::system("python3 -c 'import zlib' 2>/dev/null") != 0)
    GTEST_SKIP() << "no python3 with zlib: the stream is not checked against it";
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string packed_path = (dir / "tolvern-deflate-test.bin").string();
  const std::string out_path = (dir / "tolvern-deflate-test.out").string();
  for (const auto& [what, data] : Samples()) {
    std::ofstream(packed_path, std::ios::binary) << DeflateRaw(data);
    const std::string cmd =
        "python3 -c \"import sys, zlib; sys.stdout.buffer.write(zlib.decompress("
        "open(sys.argv[1], 'rb').read(), -15))\" '" +
        packed_path + "' > '" + out_path + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << what;
    std::ifstream in(out_path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), data) << what;
  }
  std::filesystem::remove(packed_path);
  std::filesystem::remove(out_path);
#endif
}

TEST(DeflateTest, ABrokenStreamIsRefused) {
  const std::string packed = DeflateRaw(std::string(500, 'z') + "tail");
  EXPECT_FALSE(InflateRaw(packed.substr(0, packed.size() / 2)).has_value());
  EXPECT_FALSE(InflateRaw(std::string("\x05", 1)).has_value());  // dynamic codes
  EXPECT_FALSE(InflateRaw("").has_value());
}

TEST(DeflateTest, Base64OfEachPadding) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
      {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xFF\xFE\xFD", "//79"}};
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(Base64(in), out) << in;
    EXPECT_EQ(FromBase64(out), in) << out;
  }
  EXPECT_EQ(FromBase64("Zm9v\nYmFy"), "foobar");
}

}  // namespace
}  // namespace tolvern
