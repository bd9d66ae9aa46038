#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "parsing/nx_form_parser.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

std::string Crlf(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

class FormRewriteTest : public ::testing::Test {
 protected:
  struct Result {
    std::string out;  // the output file, or "" when none was left
    std::string log;  // the log lines after the header
  };

  Result Rewrite(TComponentReplacer& r, const std::string& bytes,
                 const std::string& name = "F.dfm") {
    std::string src = dir_.Write(name, bytes);
    std::string dest = dir_ / ("out/" + name);
    fs::create_directories(dir_ / "out");
    fs::remove(dest);
    r.Log.SetTitle("");
    r.Log.SetDoubleSpacing(false);
    r.Log.Open(dir_ / "log.txt");
    FormFileData form;
    std::string why;
    EXPECT_TRUE(TComponentReplacer::ReadFormFile(src, bytes, &form, &why)) << why;
    int before = r.ChangedCount;
    try {
      r.ReplaceInForm(form, src, dest);
    } catch (...) {
      r.Log.Close();
      throw;
    }
    r.Log.Close();
    Result res;
    if (fs::exists(dest)) res.out = testing::ReadFileBytes(dest);
    EXPECT_EQ(r.ChangedCount, before + (res.out.empty() ? 0 : 1));
    std::string log = dir_.Read("log.txt");
    res.log = log.substr(log.find("\r\n") + 2);
    return res;
  }

  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_F(FormRewriteTest, NestedObjectIsRenderedWhereItStood) {
  std::string form = Crlf({"object Form1: TForm1", "  Caption = 'x'", "  object Query1: TQuery",
                           "    RequestLive = True", "    SQL.Strings = (", "      'select 1')",
                           "  end", "  object Button1: TButton", "    Left = 8", "  end", "end"});
  Result r = Rewrite(*BdeReplacer, form);
  EXPECT_EQ(r.out, Crlf({"object Form1: TForm1", "  Caption = 'x'", "    object Query1: TNXQuery",
                         "    SQL.Strings = (", "            'select 1')", "  end",
                         "object Button1: TButton", "    Left = 8", "  end", "end"}));
  EXPECT_EQ(r.log, "1 change(s)\r\n");
}

TEST_F(FormRewriteTest, InheritedObjectsAreConvertedAndNothingMappedMeansNoFile) {
  std::string form = Crlf({"inherited Form2: TForm2", "  inherited Query1: TQuery [1]",
                           "    RequestLive = True", "    Tag = 2", "  end", "end"});
  Result r = Rewrite(*BdeReplacer, form);
  EXPECT_EQ(r.out, Crlf({"inherited Form2: TForm2", "    inherited Query1: TNXQuery [1]",
                         "    Tag = 2", "  end", "end"}));
  form = Crlf(
      {"object Form2: TForm2", "  object L: TLabel", "    Caption = 'TQuery'", "  end", "end"});
  r = Rewrite(*BdeReplacer, form);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.log, "No changes\r\n");
}

TEST_F(FormRewriteTest, LineEndsOfTheFileAreKept) {
  std::string form = "object Form1: TForm1\n  object T: TTable\n    TableName = 'X'\n  end\nend\n";
  Result r = Rewrite(*BdeReplacer, form);
  EXPECT_EQ(r.out,
            "object Form1: TForm1\n    object T: TNXTable\n    TableName = 'X'\n  end\nend\n");
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(FormRewriteTest, EncodingsAndStorageAreKept) {
  std::string body =
      "object Form1: TForm1\r\n  Caption = '\xD0\x9F'\r\n  object T: TTable\r\n"
      "    TableName = 'X'\r\n  end\r\nend\r\n";
  std::string utf16 = EncodeText(body, TextEncoding::kUtf16LE);
  Result r = Rewrite(*BdeReplacer, utf16);
  ASSERT_EQ(r.out.substr(0, 2), "\xFF\xFE");
  std::string text, why;
  ASSERT_TRUE(DecodeText(r.out, TextEncoding::kUtf16LE, &text, &why));
  EXPECT_NE(text.find("Caption = '\xD0\x9F'"), std::string::npos);
  EXPECT_NE(text.find("object T: TNXTable"), std::string::npos);

  r = Rewrite(*BdeReplacer, EncodeText(body, TextEncoding::kUtf8));
  EXPECT_EQ(r.out.substr(0, 3), "\xEF\xBB\xBF");

  // Binary: the wrapper with the original name and a correct size field.
  std::string stream = ObjectTextToBinary(
      "object Form1: TForm1\r\n  object T: TTable\r\n    TableName = 'X'\r\n  end\r\nend\r\n");
  r = Rewrite(*BdeReplacer, WriteFormResource("MYFORM", stream));
  ASSERT_TRUE(IsBinaryForm(r.out));
  TRCData header;
  std::string_view new_stream = ReadFormResource(r.out, &header);
  EXPECT_EQ(header.Name, "MYFORM");
  EXPECT_EQ(static_cast<size_t>(header.Size), new_stream.size());
  EXPECT_EQ(r.out.substr(10, 2), "\x30\x10");
  EXPECT_EQ(
      ObjectBinaryToText(new_stream),
      "object Form1: TForm1\r\n  object T: TNXTable\r\n    TableName = 'X'\r\n  end\r\nend\r\n");
}

TEST_F(FormRewriteTest, UnparsedObjectIsLoggedWithItsLineAndReason) {
  std::string form = Crlf({"object Form1: TForm1", "  object Q: TQuery", "    Left = 1",
                           "    Tag = @", "  end", "  object T: TTable [2]", "  end", "end"});
  Result r = Rewrite(*BdeReplacer, form);
  EXPECT_NE(r.log.find((dir_ / "F.dfm") +
                       "(2): object Q of class TQuery could not be parsed (the form text at line 4 "
                       "is outside the form grammar); only its class name was replaced"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.out.find("object Q: TNXQuery\r\n    Left = 1"), std::string::npos);
  EXPECT_NE(r.out.find("object T: TNXTable [2]"), std::string::npos);
  EXPECT_TRUE(r.log.ends_with("1 change(s)\r\n"));
  ASSERT_EQ(BdeReplacer->Report.files.back().unparsed.size(), 1u);
  EXPECT_EQ(BdeReplacer->Report.files.back().unparsed[0].reason,
            "the form text at line 4 is outside the form grammar");
}

// A form parser whose rendering the form reader cannot read.
class BrokenRenderer : public TNXFormParser {
 public:
  void GetObjectText(int, std::string& text) override {
    text = "object Q: TNXQuery\r\n  A = (\r\nend\r\n";
  }
};

TEST_F(FormRewriteTest, RewriteThatIsNoValidFormIsNeverWritten) {
  TComponentReplacer replacer([] { return std::make_unique<BrokenRenderer>(); }, "DBTables", "",
                              ReplaceOptions);
  replacer.AddReplacement("TQuery", "TNXQuery");
  std::string text = Crlf({"object Form1: TForm1", "  object Q: TQuery", "  end", "end"});
  for (bool binary : {false, true}) {
    std::string bytes = binary ? WriteFormResource("FORM1", ObjectTextToBinary(text)) : text;
    try {
      Rewrite(replacer, bytes);
      FAIL() << "no exception";
    } catch (const EParserError& e) {
      EXPECT_NE(std::string(e.what()).find((dir_ / "F.dfm") + ": the rewritten form is not valid"),
                std::string::npos)
          << e.what();
    }
    EXPECT_FALSE(fs::exists(dir_ / "out/F.dfm"));
  }
  // A text form that was no valid form text before is written all the same.
  EXPECT_NE(Rewrite(replacer, text + "garbage").out, "");
}

TEST_F(FormRewriteTest, DatabaseScanRecordsTheDeclaringComponent) {
  std::string form1 = dir_.Write(
      "F1.dfm", Crlf({"object Form1: TForm1", "  object Database1: TDatabase",
                      "    AliasName = 'Other'", "    DatabaseName = 'Sales'", "  end", "end"}));
  BdeReplacer->Databases.Clear();
  BdeReplacer->Databases.Add(form1, BdeReplacer->FormDatabases(BdeReplacer->RunDisk(), form1));
  EXPECT_EQ(BdeReplacer->GetDatabaseConnection("DatabaseName", "SALES"), "Form1.Database1");
  EXPECT_EQ(BdeReplacer->GetDatabaseConnection("DatabaseName", "Other"), "");
  EXPECT_THROW(BdeReplacer->GetDatabaseConnection("AliasName", "Sales"), EAssertionFailed);
}

// The run: the cross-form connection, in project and in folder mode.
class FormRunTest : public FormRewriteTest {
 protected:
  void SetUp() override {
    dir_.Write("app/U1.pas", "unit U1; interface uses DBTables; implementation {$R *.dfm} end.");
    dir_.Write("app/U2.pas", "unit U2; interface implementation {$R *.DFM} end.");
    dir_.Write("app/U1.dfm", Crlf({"object Form1: TForm1", "  object Database1: TDatabase",
                                   "    DatabaseName = 'Sales'", "  end", "end"}));
    dir_.Write("app/u2.dfm", Crlf({"object Form2: TForm2", "  object Query1: TQuery",
                                   "    DatabaseName = 'Sales'", "  end", "end"}));
    dir_.Write("app/App.dpr", "program App; uses U1 in 'U1.pas', U2 in 'U2.pas'; begin end.");
    ReplaceOptions->BackupDir = dir_ / "app/RBackup";
    ReplaceOptions->MakeBackup = true;
    ReplaceOptions->WriteLog = true;
  }
};

TEST_F(FormRunTest, ProjectModeConnectsAcrossForms) {
  ProjectHost host;
  host.Load(dir_ / "app/App.dpr");
  ScopedIdeServices services(&host);
  ReplaceOptions->Dest = RunSource::kProject;
  ReplaceOptions->Units = "U1.pas\r\nU2.pas\r\n";
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("app/u2.dfm").find("Connection = Form1.Database1"), std::string::npos)
      << dir_.Read("app/u2.dfm");
  EXPECT_EQ(dir_.Read("app/RBackup/u2.~dfm").find("TNX"), std::string::npos);
  std::string log = dir_.Read("app/Wiz_Log.txt");
  EXPECT_NE(log.find("Processing file: " + (dir_ / "app/u2.dfm") + "\r\n\r\n1 change(s)"),
            std::string::npos)
      << log;
  EXPECT_TRUE(BdeReplacer->RestoreFiles(dir_ / "app/RBackup/ZUvezod.reu"));
  EXPECT_EQ(dir_.Read("app/u2.dfm").find("TNX"), std::string::npos);
}

TEST_F(FormRunTest, FolderModeConnectsAcrossFormsAsProjectModeDoes) {
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "app";
  ReplaceOptions->IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  std::string u2 = dir_.Read("app/u2.dfm");
  EXPECT_NE(u2.find("TNXQuery"), std::string::npos);
  EXPECT_NE(u2.find("Connection = Form1.Database1"), std::string::npos) << u2;
}

// A form the database scan cannot read (here a folder of a form's name) is
// named by the rewriting, as before; the other forms are still connected.
TEST_F(FormRunTest, FolderModeScanPassesOverAFormItCannotRead) {
  dir_.Write("app/U3.pas", "unit U3; interface implementation {$R *.dfm} end.");
  fs::create_directories(dir_ / "app/U3.dfm");
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "app";
  ReplaceOptions->IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("app/u2.dfm").find("Connection = Form1.Database1"), std::string::npos);
  const FileReport* form = nullptr;
  for (const FileReport& f : BdeReplacer->Report.files)
    if (f.path.ends_with("U3.dfm")) form = &f;
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->outcome, FileOutcome::kSkipped);
}

// Descendants of mapped classes, declared in one unit and used in another
// unit's form, are converted as their mapped ancestor in both modes.
class DescendantRunTest : public FormRewriteTest {
 protected:
  void SetUp() override {
    dir_.Write("app/Base.pas",
               "unit Base;\r\ninterface\r\nuses DBTables;\r\ntype\r\n"
               "  TAppQuery = class(TQuery)\r\n  published\r\n"
               "    property Audit: Boolean read FAudit write FAudit;\r\n  end;\r\n"
               "  TAuditQuery = class(TAppQuery);\r\n  TAppDatabase = class(TDatabase);\r\n"
               "implementation\r\nend.\r\n");
    dir_.Write("app/U2.pas", "unit U2; interface implementation {$R *.DFM} end.");
    dir_.Write("app/u2.dfm", kForm);
    dir_.Write("app/U3.pas", "unit U3; interface implementation {$R *.dfm} end.");
    dir_.Write("app/U3.dfm", Crlf({"object Form3: TForm3", "  object Db: TAppDatabase",
                                   "    DatabaseName = 'Sales'", "  end", "end"}));
    dir_.Write("app/App.dpr",
               "program App; uses Base in 'Base.pas', U2 in 'U2.pas', U3 in 'U3.pas'; begin end.");
    ReplaceOptions->BackupDir = dir_ / "app/RBackup";
    ReplaceOptions->MakeBackup = true;
    ReplaceOptions->WriteLog = true;
  }
  // The database scan gives Q1 the descendant database.
  static std::string Expected(bool connected) {
    std::string expected = Crlf({"object Form2: TForm2", "    object Q1: TAppQuery"});
    if (connected) expected += "    Connection = Form3.Db\r\n";
    expected += Crlf({"    Audit = True", "    Tag = 1", "  end", "  object Q2: TAuditQuery",
                      "    SQL.Strings = (", "            'select 1')", "  end",
                      "object Q3: TOtherQuery", "    RequestLive = True", "  end", "end"});
    return expected;
  }
  void ExpectConverted(bool connected, bool binary = false) {
    if (binary) {
      // The same objects and values as the text form's conversion.
      TRCData header;
      std::string bytes = dir_.Read("app/u2.dfm");
      ASSERT_TRUE(IsBinaryForm(bytes));
      EXPECT_EQ(ObjectBinaryToText(ReadFormResource(bytes, &header)),
                ObjectBinaryToText(ObjectTextToBinary(Expected(connected))));
    } else {
      EXPECT_EQ(dir_.Read("app/u2.dfm"), Expected(connected));
    }
    EXPECT_NE(dir_.Read("app/Base.pas").find("TAppQuery = class(TNXQuery)"), std::string::npos);
    auto form = std::find_if(BdeReplacer->Report.files.begin(), BdeReplacer->Report.files.end(),
                             [](const FileReport& f) { return f.path.ends_with("u2.dfm"); });
    ASSERT_NE(form, BdeReplacer->Report.files.end());
    ASSERT_EQ(form->objects.size(), 2u);
    EXPECT_EQ(form->objects[1].ancestor, "TQuery");
    EXPECT_EQ(form->objects[1].new_class, "TAuditQuery");
    EXPECT_NE(dir_.Read("app/Wiz_Log.txt").find("2 change(s)"), std::string::npos);
  }
  static constexpr const char* kForm =
      "object Form2: TForm2\r\n  object Q1: TAppQuery\r\n    DatabaseName = 'Sales'\r\n"
      "    RequestLive = True\r\n    Audit = True\r\n    Tag = 1\r\n  end\r\n"
      "  object Q2: TAuditQuery\r\n    TableType = ttParadox\r\n    SQL.Strings = (\r\n"
      "      'select 1')\r\n  end\r\n  object Q3: TOtherQuery\r\n    RequestLive = True\r\n"
      "  end\r\nend\r\n";
};

TEST_F(DescendantRunTest, ProjectMode) {
  ProjectHost host;
  host.Load(dir_ / "app/App.dpr");
  ScopedIdeServices services(&host);
  ReplaceOptions->Dest = RunSource::kProject;
  ReplaceOptions->Units = "Base.pas\r\nU2.pas\r\nU3.pas\r\n";
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectConverted(true);
  EXPECT_NE(dir_.Read("app/U3.dfm").find("object Db: TAppDatabase\r\n  end"), std::string::npos);
  // A run that does not read the declaring unit leaves the descendants alone.
  dir_.Write("app/u2.dfm", kForm);
  ReplaceOptions->Units = "U2.pas\r\n";
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("app/u2.dfm"), kForm);
}

TEST_F(DescendantRunTest, FolderMode) {
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "app";
  ReplaceOptions->IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectConverted(true);
}

TEST_F(DescendantRunTest, BinaryFormInBothModes) {
  const std::string binary = WriteFormResource("TFORM2", ObjectTextToBinary(kForm));
  dir_.Write("app/u2.dfm", binary);
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "app";
  ReplaceOptions->IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectConverted(true, true);
  ASSERT_TRUE(BdeReplacer->RestoreFiles(BdeReplacer->UndoFilePath));
  ASSERT_EQ(dir_.Read("app/u2.dfm"), binary);
  ProjectHost host;
  host.Load(dir_ / "app/App.dpr");
  ScopedIdeServices services(&host);
  ReplaceOptions->Dest = RunSource::kProject;
  ReplaceOptions->Units = "Base.pas\r\nU2.pas\r\nU3.pas\r\n";
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectConverted(true, true);
}

// A descendant declared in a unit's implementation section (registered
// there for streaming) is still learnt: the run reads a unit's
// implementation for class declarations only when it may hold one.
TEST_F(DescendantRunTest, ADescendantInAnImplementationSection) {
  dir_.Write("app/Base.pas",
             "unit Base;\r\ninterface\r\nuses DBTables;\r\ntype\r\n"
             "  TAppQuery = class(TQuery)\r\n  published\r\n"
             "    property Audit: Boolean read FAudit write FAudit;\r\n  end;\r\n"
             "  TAppDatabase = class(TDatabase);\r\n"
             "implementation\r\nuses Classes;\r\ntype\r\n"
             "  TAuditQuery = class\r\n    (TAppQuery);\r\n"
             "initialization\r\n  RegisterClass(TAuditQuery);\r\nend.\r\n");
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "app";
  ReplaceOptions->IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  auto form = std::find_if(BdeReplacer->Report.files.begin(), BdeReplacer->Report.files.end(),
                           [](const FileReport& f) { return f.path.ends_with("u2.dfm"); });
  ASSERT_NE(form, BdeReplacer->Report.files.end());
  ASSERT_EQ(form->objects.size(), 2u);
  EXPECT_EQ(form->objects[1].new_class, "TAuditQuery");
  EXPECT_EQ(form->objects[1].ancestor, "TQuery");
}

}  // namespace
}  // namespace tolvern
