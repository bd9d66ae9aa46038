// Differential tests against Free Pascal's reading and writing of object
// streams: the binary we write from a text means the same objects and values
// as the binary Free Pascal writes from it, and Free Pascal reads every binary
// we write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "corpus.h"
#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

class FpcOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef TOLVERN_DFMCONV
    GTEST_SKIP() << "Free Pascal's converter is not built: fpc is not installed, or the tests "
                    "are cross-built (it runs on the build machine only)";
#else
    tool_ = TOLVERN_DFMCONV;
#endif
  }

  // Runs the Free Pascal helper; false when it failed.
  bool Run(const std::string& mode, const std::string& in_bytes, std::string* out) {
    std::string in = dir_ / "in", result = dir_ / "out";
    WriteFileBytes(in, in_bytes);
    fs::remove(result);
    std::string cmd = "'" + tool_ + "' " + mode + " '" + in + "' '" + result + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return false;
    *out = ReadFileBytes(result);
    return true;
  }
  // Free Pascal's reading of a binary stream, one object or value per line.
  std::string Dump(const std::string& stream) {
    std::string out;
    EXPECT_TRUE(Run("dump", stream, &out)) << "Free Pascal cannot read the stream";
    return out;
  }

  std::string tool_;
  ScratchDir dir_;
};

TEST_F(FpcOracleTest, GeneratedFormsCoveringEveryValueTypeAndFlag) {
  const std::string values[] = {
      "5",
      "-128",
      "300",
      "-40000",
      "5000000000",
      "1.5",
      "0.1",
      "1E-20",
      "-2.5E300",
      "1.5s",
      "123400c",
      "36805.5d",
      "'abc'",
      "''",
      "#39'a'#13#10'b'",
      "#1055#1088'x'",
      "'x' +\r\n    'y'",
      "alClient",
      "Form2.Table1",
      "True",
      "False",
      "nil",
      "[akLeft, akTop]",
      "[]",
      "(\r\n    1\r\n    'x'\r\n    (\r\n      2))",
      "()",
      "{0A0B0C}",
      "{}",
      "<\r\n    item\r\n      B = 1\r\n    end\r\n    item\r\n      C = 'x'\r\n    end>",
      "<>",
      "'" + std::string(300, 'z') + "'",
  };
  for (const std::string& v : values) {
    std::string text = "inherited Form1: TForm1\r\n  Prop.Sub = " + v +
                       "\r\n  object B1: TButton [2]\r\n    Left = 1\r\n  end\r\n"
                       "  inline F1: TFrame1\r\n  end\r\n  object TLabel\r\n  end\r\nend\r\n";
    std::string ours = ObjectTextToBinary(text);
    std::string theirs;
    ASSERT_TRUE(Run("rawbin", text, &theirs)) << v;
    EXPECT_EQ(Dump(ours), Dump(theirs)) << v;
  }
  // Null and the order values of collection items are not in Free Pascal's
  // text reader; its binary reader reads ours.
  std::string text =
      "object Form1: TForm1\r\n  A = Null\r\n  B = <\r\n    item [3]\r\n"
      "      C = 1\r\n    end>\r\nend\r\n";
  EXPECT_EQ(Dump(ObjectTextToBinary(text)),
            "OBJ inherited=False inline=False pos=0 Form1: TForm1\nPROP A\nNULL\nPROP B\nCOLL\n"
            "ITEM 3\nPROP C\nNUM 1\nENDITEM\nENDCOLL\nENDOBJ\n");
}

TEST_F(FpcOracleTest, CorpusTextFormsMeanTheSame) {
  TOLVERN_NEED_CORPUS("agreement with Free Pascal on every text corpus form");
  int forms = 0, same = 0, theirs_failed = 0;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    if (!e.is_regular_file() || e.path().extension() == ".md" || e.path().extension() == ".tsv")
      continue;
    std::string bytes = ReadFileBytes(e.path().string());
    if (IsBinaryForm(bytes) || DetectEncoding(bytes) != TextEncoding::kAnsi) continue;
    std::string ours;
    try {
      ours = ObjectTextToBinary(bytes);
    } catch (const EParserError&) {
      continue;  // the form with binary garbage in it
    }
    ++forms;
    std::string theirs;
    if (!Run("rawbin", bytes, &theirs)) {
      ++theirs_failed;
      continue;
    }
    // Free Pascal's text reader takes Null for an identifier; the IDE's
    // binary forms (and ours) hold a Null value.
    std::string a = Dump(ours), b = Dump(theirs);
    for (size_t at; (at = b.find("\nIDENT Null\n")) != std::string::npos;)
      b.replace(at, 12, "\nNULL\n");
    if (a == b) {
      ++same;
    } else if (std::getenv("TOLVERN_SHOW_DIFF")) {
      size_t i = 0;
      while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
      size_t from = a.rfind('\n', i) + 1;
      std::printf("%s\n  ours:   %s\n  theirs: %s\n", e.path().string().c_str(),
                  a.substr(from, 80).c_str(), b.substr(from, 80).c_str());
    }
  }
  std::printf(
      "text forms: %d, same objects and values as Free Pascal's binary: %d, "
      "not read by Free Pascal's text reader: %d\n",
      forms, same, theirs_failed);
  EXPECT_GT(forms, 400);
  EXPECT_EQ(same, forms - theirs_failed);
}

TEST_F(FpcOracleTest, CorpusBinaryFormsKeepTheirMeaningThroughText) {
  TOLVERN_NEED_CORPUS("agreement with Free Pascal on every binary corpus form");
  int forms = 0, same = 0;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    if (!e.is_regular_file()) continue;
    std::string bytes = ReadFileBytes(e.path().string());
    if (!IsBinaryForm(bytes)) continue;
    ++forms;
    TRCData header;
    std::string stream(ReadFormResource(bytes, &header));
    std::string again = ObjectTextToBinary(ObjectBinaryToText(stream));
    std::string before = Dump(stream), after = Dump(again);
    if (before == after)
      ++same;
    else
      ADD_FAILURE() << e.path();
  }
  std::printf("binary forms: %d, read the same by Free Pascal after a round trip: %d\n", forms,
              same);
  EXPECT_GT(forms, 400);
}

// Free Pascal reads every form that a run changed or created, with the
// connections the run wrote into it: the example, small applications of
// several forms (one on BDE aliases, migrated with a profile that makes
// connections for them), and every corpus project (a unit beside each
// form), each in folder mode, which binds what project mode binds.
TEST_F(FpcOracleTest, EveryMigratedFormIsRead) {
  const std::string data = std::string(TOLVERN_SOURCE_DIR) + "/tests/data";
  std::vector<std::string> trees = {::tolvern::testing::ExampleDir(), data + "/databases",
                                    data + "/aliases"};
  if (!::tolvern::testing::CorpusDir().empty())
    for (const auto& e : fs::directory_iterator(::tolvern::testing::CorpusDir()))
      if (e.is_directory()) trees.push_back(e.path().string());
  int changed = 0, connected = 0, not_text = 0, created = 0;
  for (size_t t = 0; t < trees.size(); ++t) {
    const fs::path tree = dir_ / ("tree" + std::to_string(t));
    fs::copy(trees[t], tree, fs::copy_options::recursive);
    std::map<std::string, std::string> before;
    for (const auto& e : fs::recursive_directory_iterator(tree)) {
      const std::string ext = e.path().extension().string();
      if (!e.is_regular_file() || (ext != ".dfm" && ext != ".DFM")) continue;
      before[e.path().string()] = ReadFileBytes(e.path().string());
      fs::path unit = e.path();
      unit.replace_extension(".pas");
      if (!fs::exists(unit))
        WriteFileBytes(unit.string(),
                       "unit " + unit.stem().string() + ";\r\n{$R *.dfm}\r\nend.\r\n");
    }
    std::vector<std::string> args = {"migrate",     "--folder", tree.string(), "-r",
                                     "--no-backup", "--no-log", "-q"};
    if (trees[t] == data + "/aliases")
      args.insert(args.end(), {"--profile", data + "/aliases.json"});
    const auto r = ::tolvern::testing::RunTolvern(args);
    EXPECT_NE(r.exit_code, 1) << trees[t] << ": " << r.err;
    // A form the run created is read as one it changed.
    for (const auto& e : fs::recursive_directory_iterator(tree))
      if (e.path().extension() == ".dfm" && !before.count(e.path().string())) {
        before[e.path().string()] = "";
        ++created;
      }
    for (const auto& [path, original] : before) {
      const std::string bytes = ReadFileBytes(path);
      if (bytes == original) continue;
      ++changed;
      if (bytes.find("Connection = ") != std::string::npos ||
          bytes.find("\x0A"
                     "Connection") != std::string::npos)
        ++connected;
      std::string stream;
      if (IsBinaryForm(bytes)) {
        TRCData header;
        stream = std::string(ReadFormResource(bytes, &header));
      } else if (DetectEncoding(bytes) != TextEncoding::kAnsi) {
        ++not_text;  // Free Pascal's text reader takes ANSI text only
        continue;
      } else {
        std::string ignored;
        // The form with binary garbage in it: Free Pascal's reader never
        // took the original either.
        if (!original.empty() && !Run("rawbin", original, &ignored)) continue;
        ASSERT_TRUE(Run("rawbin", bytes, &stream)) << path;
      }
      EXPECT_NE(Dump(stream), "") << path;
    }
  }
  std::printf("forms changed: %d (with a connection: %d; not ANSI text: %d); created: %d\n",
              changed, connected, not_text, created);
  EXPECT_GT(connected, 3);
  EXPECT_EQ(created, 1);
}

}  // namespace
}  // namespace tolvern
