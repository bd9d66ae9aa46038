// Binary forms migrated with both replacers keep every byte outside the
// objects the run rewrote: the forms of the corpus compared object by object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "corpus.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

struct Counts {
  int replaced = 0;  // objects of a mapped class that took the target class
  int renamed = 0;   // of these, those whose other bytes are all the same
  int kept = 0;      // outermost objects whose bytes are the same
};

std::string_view Bytes(std::string_view stream, const ObjectSpan& o) {
  return stream.substr(o.stream_begin, o.stream_end - o.stream_begin);
}

std::string ClassOf(std::string_view stream, const ObjectSpan& o) {
  return std::string(
      stream.substr(o.class_begin + 1, static_cast<unsigned char>(stream[o.class_begin])));
}

// The index after an object and its descendants.
size_t Skip(const std::vector<ObjectSpan>& spans, size_t k) {
  const size_t end = spans[k].stream_end;
  for (++k; k < spans.size() && spans[k].stream_begin < end;) ++k;
  return k;
}

// Walks the objects of the original and of the rewritten stream side by side.
// An object of a mapped class whose counterpart has the target class was
// replaced (rewritten, or only renamed when it did not parse); any other object must have the same
// bytes up to its first child and the same children. Returns false at the first difference.
bool CompareObjects(std::string_view before, std::string_view after, TComponentReplacer& r,
                    Counts* counts, std::string* where) {
  std::vector<ObjectSpan> a, b;
  ObjectBinaryToText(before, &a);
  ObjectBinaryToText(after, &b);
  size_t i = 0, j = 0;
  long replaced_before = 0, replaced_after = 0;
  while (i < a.size() && j < b.size()) {
    if (Bytes(before, a[i]) == Bytes(after, b[j])) {
      ++counts->kept;
      i = Skip(a, i);
      j = Skip(b, j);
      continue;
    }
    const std::string old_class = ClassOf(before, a[i]), new_class = ClassOf(after, b[j]);
    const std::string target = r.FindReplacement(old_class);
    if (!target.empty() && target != old_class && new_class == target) {
      std::string renamed(Bytes(before, a[i]));
      renamed.replace(a[i].class_begin - a[i].stream_begin, 1 + old_class.size(),
                      static_cast<char>(target.size()) + target);
      ++counts->replaced;
      if (renamed == Bytes(after, b[j])) ++counts->renamed;
      replaced_before += static_cast<long>(a[i].stream_end - a[i].stream_begin);
      replaced_after += static_cast<long>(b[j].stream_end - b[j].stream_begin);
      i = Skip(a, i);
      j = Skip(b, j);
      continue;
    }
    auto head = [](std::string_view s, const std::vector<ObjectSpan>& v, size_t k) {
      size_t end = k + 1 < v.size() && v[k + 1].stream_begin < v[k].stream_end
                       ? v[k + 1].stream_begin
                       : v[k].stream_end;
      return s.substr(v[k].stream_begin, end - v[k].stream_begin);
    };
    if (head(before, a, i) != head(after, b, j)) {
      *where = "object of class " + old_class + " at offset " + std::to_string(a[i].stream_begin);
      return false;
    }
    ++i;
    ++j;
  }
  // The same objects, and nothing but the replaced ones changed size.
  if (i != a.size() || j != b.size() ||
      static_cast<long>(after.size()) - replaced_after !=
          static_cast<long>(before.size()) - replaced_before) {
    *where = "the objects or the bytes between them";
    return false;
  }
  return true;
}

TEST(BinaryFormBytesTest, CorpusFormsKeepEveryByteOutsideTheRewrittenObjects) {
  TOLVERN_NEED_CORPUS("binary forms migrated keep the bytes outside the rewritten objects");
  NXReplacerScope library;
  ScratchDir dir;
  int forms = 0, written = 0;
  Counts counts;
  for (const auto& e : fs::recursive_directory_iterator(testing::CorpusDir())) {
    if (!e.is_regular_file()) continue;
    const std::string path = e.path().string();
    const std::string bytes = testing::ReadFileBytes(path);
    if (!IsBinaryForm(bytes)) continue;
    ++forms;
    // With nothing to rewrite the file comes back byte for byte.
    EXPECT_EQ(SpliceFormResource(bytes, TextEdits()), bytes) << path;
    FormFileData form;
    std::string why;
    ASSERT_TRUE(TComponentReplacer::ReadFormFile(path, bytes, &form, &why)) << path;
    TRCData header;
    const std::string_view before = ReadFormResource(bytes, &header);
    for (TComponentReplacer* r : {BdeReplacer, AdoReplacer}) {
      const std::string dest = dir / "out.dfm";
      fs::remove(dest);
      r->ReplaceInForm(form, path, dest);
      if (!fs::exists(dest)) continue;
      ++written;
      const std::string out = testing::ReadFileBytes(dest);
      TRCData out_header;
      const std::string_view after = ReadFormResource(out, &out_header);
      // The wrapper is the original's up to its size field, which is right.
      const size_t wrapper = static_cast<size_t>(before.data() - bytes.data());
      EXPECT_EQ(out.substr(0, wrapper - 4), bytes.substr(0, wrapper - 4)) << path;
      EXPECT_EQ(static_cast<size_t>(out_header.Size), after.size()) << path;
      Counts one;
      std::string where;
      EXPECT_TRUE(CompareObjects(before, after, *r, &one, &where)) << path << ": " << where;
#ifdef TOLVERN_DFMCONV
      // Free Pascal's reader reads it.
      const std::string cmd = std::string("'") + TOLVERN_DFMCONV + "' dump '" + dest + "' '" +
                              (dir / "dump") + "' 2>/dev/null";
      EXPECT_EQ(std::system(cmd.c_str()), 0)
          << path << ": Free Pascal cannot read the rewritten form";
#endif
      const FileReport& report = r->Report.files.back();
      EXPECT_EQ(one.replaced, report.changes + static_cast<int>(report.unparsed.size())) << path;
      counts.replaced += one.replaced;
      counts.renamed += one.renamed;
      counts.kept += one.kept;
    }
  }
  std::printf(
      "binary forms: %d, written: %d; objects replaced: %d (the same bytes but for the "
      "class name: %d); other objects kept byte for byte: %d\n",
      forms, written, counts.replaced, counts.renamed, counts.kept);
  EXPECT_GT(forms, 400);
  EXPECT_GT(counts.replaced - counts.renamed, 300);
}

class BinaryFormRewriteTest : public ::testing::Test {
 protected:
  // Rewrites a binary form with the BDE replacer; the output, or "" when none.
  std::string Rewrite(const std::string& text) {
    const std::string src =
        dir_.Write("F.dfm", WriteFormResource("FORM1", ObjectTextToBinary(text)));
    const std::string dest = dir_ / "out.dfm";
    fs::remove(dest);
    FormFileData form;
    std::string why;
    EXPECT_TRUE(TComponentReplacer::ReadFormFile(src, testing::ReadFileBytes(src), &form, &why));
    BdeReplacer->ReplaceInForm(form, src, dest);
    return fs::exists(dest) ? testing::ReadFileBytes(dest) : "";
  }
  std::string TextOf(const std::string& file) {
    TRCData header;
    return ObjectBinaryToText(ReadFormResource(file, &header));
  }

  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_F(BinaryFormRewriteTest, StringOfAnyLengthConverts) {
  const std::string big(13'000'000, 's');
  std::string out =
      Rewrite("object Form1: TForm1\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      '" + big +
              "')\r\n  end\r\nend\r\n");
  ASSERT_NE(out, "");
  std::vector<ObjectSpan> spans;
  TRCData header;
  const std::string text = ObjectBinaryToText(ReadFormResource(out, &header), &spans);
  EXPECT_NE(text.find("object Q: TNXQuery\r\n    SQL.Strings = (\r\n      '" + big + "')"),
            std::string::npos);
}

TEST_F(BinaryFormRewriteTest, NamesInAnyScriptAreReadAndWritten) {
  // A query named in Cyrillic holding a field named in Greek and Chinese,
  // among components named so too.
  const std::string label = "\xD0\x9C\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB0";
  const std::string query = "\xD0\x97\xD0\xB0\xD0\xBF\xD1\x80\xD0\xBE\xD1\x81";
  const std::string field = "\xCE\xB1\xE6\x95\xB0";
  auto form = [&](const std::string& cls) {
    return "object Form1: TForm1\r\n  object " + label +
           ": TLabel\r\n    Caption = #1055\r\n  end\r\n"
           "  object " +
           query + ": " + cls + "\r\n    object " + field +
           ": TStringField\r\n      FieldName = 'A'\r\n    end\r\n  end\r\n  object " + field +
           "1: TDataSource\r\n    DataSet = " + query + "\r\n  end\r\nend\r\n";
  };
  EXPECT_EQ(TextOf(Rewrite(form("TQuery"))), form("TNXQuery"));
}

TEST_F(BinaryFormRewriteTest, HostileFormsEndWithOneLineNamingTheFile) {
  const std::string ok = ObjectTextToBinary("object Form1: TForm1\r\n  A = 1\r\nend\r\n");
  const std::string deep =
      "TPF0\x06TForm1\x05"
      "Form1\x01L" +
      std::string(kMaxStreamNesting + 1, '\x01') + std::string(kMaxStreamNesting + 1, '\0') +
      std::string(2, '\0');
  const struct {
    std::string file, message;
  } cases[] = {
      {std::string("\xFF\x0A\x00"
                   "FORM1",
                   8),
       "the file ends inside it"},
      {WriteFormResource("FORM1", ok.substr(0, ok.size() - 3)), "unexpected end of stream"},
      {WriteFormResource("FORM1", ok.substr(0, 19) + "\x63" + ok.substr(21)),
       "unknown value type 99"},
      {WriteFormResource("FORM1", deep), "nesting too deep"},
  };
  for (const auto& c : cases) {
    const std::string path = dir_.Write("H.dfm", c.file);
    FormFileData form;
    std::string why;
    try {
      TComponentReplacer::ReadFormFile(path, c.file, &form, &why);
      ADD_FAILURE() << c.message;
    } catch (const EStreamError& e) {
      const std::string what = e.what();
      EXPECT_TRUE(what.starts_with(path + ": ")) << what;
      EXPECT_NE(what.find(c.message), std::string::npos) << what;
      EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
  }
}

}  // namespace
}  // namespace tolvern
