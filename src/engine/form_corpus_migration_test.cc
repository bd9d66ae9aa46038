// Every form of the corpus migrated with both replacers: no failure, every
// rewritten form is valid form text, everything outside the rewritten objects
// is unchanged, and the log's change counts are the objects rewritten.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "corpus.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "parsing/nx_form_parser.h"
#include "parsing/pascal_scanner.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

// The text with the objects of the given classes that the form parser takes
// (from their OBJECT keyword through the white space after their END) cut
// out. Objects of the classes that do not parse get the class name `rename`
// gives them. Returns the number of objects cut.
int CutObjects(std::string_view text, const std::function<std::string(const std::string&)>& rename,
               std::string* rest) {
  TNXFormParser parser;
  TPasParser scanner(text);
  std::string_view tok;
  rest->clear();
  int cut = 0;
  size_t copied = 0, base = 0;
  for (int code; (code = scanner.GetNext(&tok)) != kTokEnd;) {
    if (code != kTokObject && code != kTokInherited && code != kTokInline) continue;
    size_t at = base + static_cast<size_t>(scanner.PrevPos());
    std::string_view blank, name, colon, cls;
    scanner.GetNext(&blank);
    if (scanner.GetNext(&name) != kTokIdent) continue;
    int c = scanner.GetNext(&colon);
    if (c == kTokBlank) c = scanner.GetNext(&colon);
    if (c != 15) continue;
    if (scanner.GetNext(&cls) == kTokBlank) scanner.GetNext(&cls);
    std::string target = rename(std::string(cls));
    if (target.empty()) continue;
    int pos = static_cast<int>(at) + 1;
    parser.SetTargetClassName(target);
    if (parser.Parse(text, "<object>", pos)) {
      // The blanks in front of the keyword go with the object: a rendering
      // brings its own indentation.
      size_t start = at;
      while (start > copied && text[start - 1] == ' ') --start;
      rest->append(text.substr(copied, start - copied));
      copied = static_cast<size_t>(pos - 1);
      base = copied;
      scanner.SetText(text.substr(base));
      ++cut;
    } else if (target != cls) {
      size_t cls_at = static_cast<size_t>(cls.data() - text.data());
      rest->append(text.substr(copied, cls_at - copied));
      rest->append(target);
      copied = cls_at + cls.size();
    }
  }
  rest->append(text.substr(copied));
  return cut;
}

// Whether Free Pascal's reader takes the object stream (true without fpc).
bool FreePascalReads(const ScratchDir& dir, const std::string& stream) {
#ifdef TOLVERN_DFMCONV
  const std::string in = dir / "stream.bin", out = dir / "dump.txt";
  testing::WriteFileBytes(in, stream);
  const std::string cmd =
      std::string("'") + TOLVERN_DFMCONV + "' dump '" + in + "' '" + out + "' 2>/dev/null";
  return std::system(cmd.c_str()) == 0;
#else
  (void)dir;
  (void)stream;
  return true;
#endif
}

// The rewritten form of path at dest: it still converts and Free Pascal
// reads it, it is stored as the original was, and outside its `expected`
// rewritten objects it is the original (`before`, the original's text with
// those objects cut out).
void CheckRewrittenForm(const ScratchDir& dir, const std::string& path, const std::string& name,
                        const TComponentReplacer& r, const FormFileData& form,
                        const std::string& dest, int expected, const std::string& before) {
  // The output converts, and outside the rewritten objects it is the
  // input (a binary form compared through its text).
  std::string out = testing::ReadFileBytes(dest);
  FormFileData result;
  std::string why;
  ASSERT_TRUE(TComponentReplacer::ReadFormFile(dest, out, &result, &why)) << path;
  const FormCharset charset =
      result.Encoding == TextEncoding::kAnsi ? FormCharset::kAnsi : FormCharset::kUtf8;
  bool was_valid = true;
  try {
    ObjectTextToBinary(form.Text, charset);
  } catch (const EParserError&) {
    was_valid = false;  // the form with binary garbage in it
  }
  if (was_valid) {
    std::string stream;
    EXPECT_NO_THROW(stream = ObjectTextToBinary(result.Text, charset)) << path;
    if (result.IsBinary) {
      TRCData header;
      stream = ReadFormResource(out, &header);
    }
    EXPECT_TRUE(FreePascalReads(dir, stream)) << path << " " << name;
  }
  EXPECT_EQ(result.IsBinary, form.IsBinary);
  EXPECT_EQ(result.Encoding, form.Encoding);
  auto is_target = [&r](const std::string& cls) {
    for (int i = 0; i < r.NewNames.Count(); ++i)
      if (r.NewNames[i] == cls) return cls;
    return std::string();
  };
  std::string after;
  EXPECT_EQ(CutObjects(result.Text, is_target, &after), expected) << path;
  if (after != before) {
    size_t i = 0;
    while (i < after.size() && i < before.size() && after[i] == before[i]) ++i;
    size_t from = i > 150 ? i - 150 : 0;
    ADD_FAILURE() << path << " " << name << " differs at " << i << "\n--- expected:\n"
                  << before.substr(from, 300) << "\n--- got:\n"
                  << after.substr(from, 300);
  }
}

// Every mapped object of every form converts with both replacers, and Free
// Pascal reads every rewritten form.
TEST(FormCorpusMigrationTest, EveryFormWithBothReplacers) {
  TOLVERN_NEED_CORPUS("the migration of every corpus form with the BDE and ADO replacers");
  NXReplacerScope library;
  ScratchDir dir;
  std::map<std::string, int> rewritten, forms_changed, not_converted;
  int forms = 0;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || (ext != ".dfm" && ext != ".DFM")) continue;
    std::string bytes = testing::ReadFileBytes(e.path().string());
    FormFileData form;
    std::string why;
    if (!TComponentReplacer::ReadFormFile(e.path().string(), bytes, &form, &why)) continue;
    ++forms;
    for (TComponentReplacer* r : {BdeReplacer, AdoReplacer}) {
      const std::string name = r == BdeReplacer ? "BDE" : "ADO";
      std::string dest = dir / "out.dfm";
      fs::remove(dest);
      r->Log.SetTitle("");
      r->Log.SetDoubleSpacing(false);
      r->Log.Open(dir / "log.txt");
      r->ReplaceInForm(form, e.path().string(), dest);
      r->Log.Close();
      for (const UnparsedObject& u : r->Report.files.back().unparsed) {
        ++not_converted[name];
        ADD_FAILURE() << e.path() << "(" << u.line << ") " << name << ": " << u.name << " "
                      << u.reason;
      }
      std::string log = dir.Read("log.txt");
      std::string last = log.substr(log.rfind("\r\n", log.size() - 3) + 2);
      auto old_to_new = [r](const std::string& cls) { return r->FindReplacement(cls); };
      std::string before;
      int expected = CutObjects(form.Text, old_to_new, &before);
      EXPECT_EQ(last, expected ? std::to_string(expected) + " change(s)\r\n" : "No changes\r\n")
          << e.path() << " " << name;
      if (!fs::exists(dest)) {
        EXPECT_EQ(expected, 0) << e.path();
        continue;
      }
      ++forms_changed[name];
      rewritten[name] += expected;
      CheckRewrittenForm(dir, e.path().string(), name, *r, form, dest, expected, before);
    }
  }
  std::printf(
      "forms: %d; BDE: %d forms changed, %d objects rewritten, %d not converted; ADO: %d "
      "forms changed, %d objects rewritten, %d not converted\n",
      forms, forms_changed["BDE"], rewritten["BDE"], not_converted["BDE"], forms_changed["ADO"],
      rewritten["ADO"], not_converted["ADO"]);
  EXPECT_GT(forms, 850);
  EXPECT_GT(rewritten["BDE"], 500);
  EXPECT_GT(rewritten["ADO"], 100);
}

}  // namespace
}  // namespace tolvern
