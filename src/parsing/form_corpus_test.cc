// Every object of a mapped class in the real text forms of the corpus parses,
// and its rendered text parses again as an object.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "corpus.h"
#include "parsing/nx_form_parser.h"
#include "parsing/pascal_scanner.h"
#include "platform/text_encoding.h"
#include "test_support.h"

namespace tolvern {
namespace {

const std::set<std::string> kMapped = {
    "TDatabase",   "TQuery",      "TwwQuery",       "TTable",
    "TwwTable",    "TStoredProc", "TwwStoredProc",  "TwwDataSource",
    "TUpdateSQL",  "TBatchMove",  "TADOConnection", "TADOCommand",
    "TADODataSet", "TADOTable",   "TADOQuery",      "TADOStoredProc"};

struct Header {
  int pos;  // 1-based position of the keyword
  int level;
  std::string cls;
};

// The objects of mapped classes in a form text, found by their headers.
std::vector<Header> MappedObjects(std::string_view text) {
  std::vector<Header> found;
  TPasParser scanner(text);
  std::string_view tok;
  int level = 0;
  for (int code; (code = scanner.GetNext(&tok)) != kTokEnd;) {
    if (code == kTokBlank) continue;
    if (code == kTokObject || code == kTokInherited || code == kTokInline) {
      int pos = scanner.PrevPos() + 1;
      std::string_view name, colon, cls;
      scanner.GetNext(&tok);  // blank
      scanner.GetNext(&name);
      int c = scanner.GetNext(&colon);
      if (c == kTokBlank) scanner.GetNext(&colon);
      c = scanner.GetNext(&cls);
      if (c == kTokBlank) scanner.GetNext(&cls);
      if (kMapped.count(std::string(cls))) found.push_back({pos, level, std::string(cls)});
      ++level;
    } else if (code == kTokItem) {
      ++level;
    } else if (code == kTokEndKw) {
      --level;
    }
  }
  return found;
}

TEST(FormCorpusTest, MappedObjectsParseAndRenderedTextParsesAgain) {
  TOLVERN_NEED_CORPUS("parsing and re-rendering every mapped object of the corpus forms");
  namespace fs = std::filesystem;
  TNXFormParser parser;
  // Connections resolve to a component reference, as the run's lookup gives.
  parser.OnGetConnection = [](const std::string&, const std::string&) {
    return std::string("DataModule1.Database1");
  };
  int objects = 0, parsed = 0, reparsed = 0;
  std::vector<std::string> failures;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    if (!e.is_regular_file()) continue;
    std::string bytes = testing::ReadFileBytes(e.path().string());
    if (bytes.rfind("\xFF\x0A\x00", 0) == 0 || bytes.rfind("TPF0", 0) == 0) continue;  // binary
    std::string text, error;
    if (!DecodeText(bytes, DetectEncoding(bytes), &text, &error)) continue;
    for (const Header& h : MappedObjects(text)) {
      ++objects;
      parser.SetTargetClassName("TNXQuery");
      int pos = h.pos;
      if (!parser.Parse(text, "<object>", pos)) {
        failures.push_back(e.path().filename().string() + " at " + std::to_string(h.pos));
        continue;
      }
      ++parsed;
      std::string rendered;
      parser.GetObjectText(h.level, rendered);
      int again = static_cast<int>(rendered.find_first_not_of(' ')) + 1;
      if (parser.Parse(rendered, "<object>", again) &&
          again == static_cast<int>(rendered.size()) + 1)
        ++reparsed;
      else
        failures.push_back("rendered " + e.path().filename().string() + " at " +
                           std::to_string(h.pos));
    }
  }
  std::printf("mapped objects: %d, parsed: %d, rendered and parsed again: %d\n", objects, parsed,
              reparsed);
  for (size_t i = 0; i < failures.size() && i < 10; ++i)
    std::printf("  not parsed: %s\n", failures[i].c_str());
  EXPECT_GT(objects, 500);
  EXPECT_EQ(reparsed, parsed);
  // Objects with a child position ("TADOQuery [3]") are outside the form
  // grammar and keep their text; everything else parses.
  EXPECT_GE(parsed * 100, objects * 95);
}

}  // namespace
}  // namespace tolvern
