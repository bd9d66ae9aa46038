#include "files/unified_diff.h"

#include <gtest/gtest.h>

#include <random>

namespace tolvern {
namespace {

TEST(UnifiedDiffTest, HunksWithContextLikeDiffU) {
  EXPECT_EQ(UnifiedDiff("a\nb\n", "a\nb\n", "x", "y"), "");
  EXPECT_EQ(UnifiedDiff("1\n2\n3\n4\n5\n6\n7\n8\n", "1\n2\n3\n4\nfive\n6\n7\n8\n", "a/f", "b/f"),
            "--- a/f\n+++ b/f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
  // Far-apart changes make two hunks; CR LF line ends are not shown.
  std::string before, after;
  for (int i = 1; i <= 20; ++i) {
    before += std::to_string(i) + "\r\n";
    after += (i == 2 || i == 19 ? "x" : std::to_string(i)) + "\r\n";
  }
  EXPECT_EQ(
      UnifiedDiff(before, after, "a", "b"),
      "--- a\n+++ b\n@@ -1,5 +1,5 @@\n 1\n-2\n+x\n 3\n 4\n 5\n@@ -16,5 +16,5 @@\n 16\n 17\n 18\n"
      "-19\n+x\n 20\n");
  EXPECT_EQ(UnifiedDiff("", "new\n", "a", "b"), "--- a\n+++ b\n@@ -0,0 +1,1 @@\n+new\n");
  EXPECT_NE(UnifiedDiff("a\n", "b\n", "a", "b", true).find("\033[31m-a"), std::string::npos);
}

// Applying the diff's lines gives the new text back, for random edits.
TEST(UnifiedDiffTest, DiffReconstructsTheNewText) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> a;
    for (int i = 0; i < 30; ++i) a.push_back(std::to_string(rng() % 6));
    std::vector<std::string> b = a;
    for (int e = 0; e < 5; ++e) {
      size_t at = rng() % (b.size() + 1);
      if (rng() % 2 && at < b.size())
        b.erase(b.begin() + static_cast<long>(at));
      else
        b.insert(b.begin() + static_cast<long>(at), "n" + std::to_string(rng() % 3));
    }
    std::string ta, tb;
    for (auto& s : a) ta += s + "\n";
    for (auto& s : b) tb += s + "\n";
    std::string diff = UnifiedDiff(ta, tb, "a", "b");
    // Rebuild b from a and the hunks.
    std::vector<std::string> out;
    size_t ai = 0, pos = diff.find("@@");
    while (pos != std::string::npos) {
      int a_start = std::stoi(diff.substr(pos + 4));
      size_t line_start = diff.find('\n', pos) + 1;
      while (ai + 1 < static_cast<size_t>(a_start)) out.push_back(a[ai++]);
      size_t next = diff.find("@@", line_start);
      std::string body = diff.substr(
          line_start, next == std::string::npos ? std::string::npos : next - line_start);
      for (size_t p = 0; p < body.size();) {
        size_t nl = body.find('\n', p);
        std::string line = body.substr(p, nl - p);
        if (line[0] == ' ')
          out.push_back(a[ai++]);
        else if (line[0] == '-')
          ++ai;
        else
          out.push_back(line.substr(1));
        p = nl + 1;
      }
      pos = next;
    }
    while (ai < a.size()) out.push_back(a[ai++]);
    EXPECT_EQ(out, b) << diff;
  }
}

}  // namespace
}  // namespace tolvern
