// Round trips over the real forms of the corpus.
#include <gtest/gtest.h>

#include <filesystem>

#include "corpus.h"
#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> CorpusForms() {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".dfm" || ext == ".DFM")) files.push_back(e.path().string());
  }
  return files;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 20);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

TEST(ObjectStreamCorpusTest, BinaryFormsRoundTrip) {
  TOLVERN_NEED_CORPUS("the binary-text-binary round trip of every binary corpus form");
  int forms = 0, identical = 0;
  for (const std::string& path : CorpusForms()) {
    std::string bytes = testing::ReadFileBytes(path);
    if (!IsBinaryForm(bytes)) continue;
    ++forms;
    TRCData header;
    std::string_view stream = ReadFormResource(bytes, &header);
    std::string text = ObjectBinaryToText(stream);
    std::string again = ObjectTextToBinary(text);
    if (again == stream) {
      ++identical;
      continue;
    }
    // Where the text cannot carry the distinction (UTF-8 and wide strings,
    // wide strings of ASCII), the objects, properties and values are the
    // same: the text of the new stream is the text of the old one.
    EXPECT_EQ(ObjectBinaryToText(again), text) << path;
  }
  std::printf("binary forms: %d, byte-identical after a round trip: %d (%.1f%%)\n", forms,
              identical, 100.0 * identical / forms);
  EXPECT_GT(forms, 400);
  EXPECT_GE(identical * 100, forms * 70);
}

TEST(ObjectStreamCorpusTest, TextFormsRoundTrip) {
  TOLVERN_NEED_CORPUS("the text-binary-text round trip of every text corpus form");
  int forms = 0, identical = 0, rejected = 0;
  for (const std::string& path : CorpusForms()) {
    std::string bytes = testing::ReadFileBytes(path);
    if (IsBinaryForm(bytes)) continue;
    ++forms;
    TextEncoding encoding = DetectEncoding(bytes);
    std::string text, error;
    ASSERT_TRUE(DecodeText(bytes, encoding, &text, &error)) << path;
    text = WithCrLf(text);
    std::string stream;
    try {
      stream = ObjectTextToBinary(
          text, encoding == TextEncoding::kAnsi ? FormCharset::kAnsi : FormCharset::kUtf8);
    } catch (const EParserError& e) {
      ++rejected;  // the form with binary garbage in it
      std::printf("rejected: %s: %s\n", path.c_str(), e.what());
      continue;
    }
    std::string back = ObjectBinaryToText(stream);
    if (back == text) ++identical;
    // Whatever the spelling, a second round trip changes nothing.
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(back)), back) << path;
  }
  std::printf("text forms: %d, identical after a round trip: %d (%.1f%%), rejected: %d\n", forms,
              identical, 100.0 * identical / forms, rejected);
  EXPECT_GT(forms, 400);
  EXPECT_LE(rejected, 1);
  EXPECT_GE(identical * 100, forms * 95);
}

}  // namespace
}  // namespace tolvern
