// A run on several threads leaves the same log, undo file, report, files and
// hook calls as a run on one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/sarif_report.h"
#include "files/file_utils.h"
#include "ide/project_host.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

// Everything a run leaves that a user or a caller sees.
struct Outcome {
  bool ok = false;
  std::string error;
  std::string log;
  std::string undo, record;
  std::string todo;
  std::string sarif;  // the list as a SARIF log, its root taken out
  std::string report;
  std::map<std::string, std::string> files;
  std::vector<std::string> hooks;  // progress and changed files, in order
  bool hooks_on_caller = true;
  int objects = 0;  // rewritten
};

// A folder tree that exercises the ordering: units naming forms (some
// twice, some missing, one in another letter case), binary and text forms,
// a text that is no valid UTF-8, a name the undo file cannot hold, and a
// form under a folder's name.
void WriteTree(const ScratchDir& dir) {
  fs::copy(testing::ExampleDir(), dir / "app", fs::copy_options::recursive);
  for (int i = 0; i < 30; ++i) {
    const std::string n = "U" + std::to_string(i);
    dir.Write("app/many/" + n + ".pas",
              "unit " + n + ";\r\ninterface\r\nuses DBTables;\r\ntype T" + n +
                  " = class(TForm) Q: TQuery; end;\r\nimplementation\r\n" +
                  (i % 3 ? "{$R *.DFM}\r\n" : "{$R Shared.dfm}\r\n") + "end.\r\n");
    if (i % 3 == 1)
      dir.Write("app/many/" + n + (i % 2 ? ".dfm" : ".DFM"),
                "object F" + n + ": T" + n +
                    "\r\n  object Q: TQuery\r\n    DatabaseName = 'MAIN'\r\n"
                    "  end\r\nend\r\n");
  }
  // Descendants of mapped classes, one declared by a unit the undo file
  // cannot name (it is not rewritten, yet its classes count).
  dir.Write("app/many/ZBase.pas", "unit ZBase; interface type TAppQuery = class(TQuery) end; end.");
  dir.Write("app/many/Z=Q.pas", "unit ZQ; interface type TOtherTable = class(TTable) end; end.");
  dir.Write("app/many/ZForm.pas", "unit ZForm; interface implementation {$R *.dfm} end.");
  dir.Write("app/many/ZForm.dfm",
            "object FZ: TZ\r\n  object A: TAppQuery\r\n    DatabaseName = 'MAIN'\r\n  end\r\n"
            "  object B: TOtherTable\r\n    TableName = 'T'\r\n  end\r\nend\r\n");
  dir.Write(
      "app/many/Shared.dfm",
      "object S: TS\r\n  object D: TDatabase\r\n    DatabaseName = 'MAIN'\r\n  end\r\nend\r\n");
  dir.Write("app/many/Bad.pas", "\xEF\xBB\xBFunit Bad; var T: TTable; \xC3\x28 end.");
  dir.Write("app/many/A=B.pas", "unit AB; uses DBTables; var T: TTable; end.");
  dir.Write("app/many/Dir.pas", "unit Dir; uses DBTables;\r\n{$R *.dfm}\r\nend.");
  fs::create_directories(dir / "app/many/Dir.dfm");
}

class ParallelRunTest : public ::testing::TestWithParam<bool /* project mode */> {
 protected:
  // The disk the runs work on; null: the real one.
  Disk* disk_ = nullptr;

  // setup may put another replacer in the run's place.
  Outcome Run(int jobs,
              const std::function<TComponentReplacer&(TComponentReplacer&)>& setup = nullptr) {
    ScratchDir dir;
    WriteTree(dir);
    NXReplacerScope library;
    TReplaceOptions& o = *ReplaceOptions;
    testing::UseFolderRun(o, dir / "app");
    o.Jobs = jobs;
    ProjectHost host;
    ScopedIdeServices services(&host);
    if (GetParam()) {
      o.Dest = RunSource::kProject;
      host.Load(dir / "app/Orders.dpr");
      o.Units = "MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\nUtils.pas\r\n";
    }
    TComponentReplacer* run = BdeReplacer;
    Outcome out;
    const auto caller = std::this_thread::get_id();
    run->OnProgress = [&](int i, int n, const std::string& f) {
      out.hooks.push_back(std::to_string(i) + "/" + std::to_string(n) + " " +
                          f.substr(dir.path().size()));
      out.hooks_on_caller = out.hooks_on_caller && std::this_thread::get_id() == caller;
    };
    if (setup) run = &setup(*run);
    TComponentReplacer& r = *run;
    r.Context.disk = disk_;
    try {
      out.ok = r.Execute();
    } catch (const std::exception& e) {
      out.error = e.what();
    }
    const std::string root = dir.path();
    // Paths relative to the scratch folder; the work folder's name, drawn
    // at random, as "$DS*".
    // The report's JSON writes a Windows path with its backslashes doubled.
    std::string json_root;
    for (char c : root) json_root += c == '\\' ? std::string("\\\\") : std::string(1, c);
    auto relative = [&](std::string s) {
      for (size_t at; (at = s.find(root)) != std::string::npos;)
        s.replace(at, root.size(), "<dir>");
      if (json_root != root) {
        for (size_t at; (at = s.find(json_root)) != std::string::npos;)
          s.replace(at, json_root.size(), "<dir>");
      }
      for (size_t at = 0; (at = s.find("$DS", at)) != std::string::npos; at += 4)
        s.replace(at + 3, std::min<size_t>(12, s.size() - at - 3), "*");
      return s;
    };
    out.log = relative(testing::LogWithoutTimestamp(dir.Read("app/Wiz_Log.txt")));
    out.files = Snapshot(dir / "app");
    // The undo file and the record of what the run wrote name the scratch
    // folder: they are compared with it taken out.
    for (auto [name, text] : {std::pair{"RBackup/ZUvezod.reu", &out.undo},
                              std::pair{"RBackup/ZUvezod.reu.written", &out.record}}) {
      if (fs::exists(dir / (std::string("app/") + name)))
        *text = relative(dir.Read(std::string("app/") + name));
      out.files.erase(name);
    }
    out.report = relative(r.Report.ToJson());
    out.error = relative(out.error);
    out.objects = r.Report.ObjectsRewritten();
    if (fs::exists(dir / "app/Wiz_Todo.txt")) out.todo = relative(dir.Read("app/Wiz_Todo.txt"));
    if (fs::exists(dir / "app/Wiz_Todo.sarif")) {
      // The log names its root as a file URI.
      std::string sarif = dir.Read("app/Wiz_Todo.sarif");
      const std::string uri = FileUri(root);
      for (size_t at; (at = sarif.find(uri)) != std::string::npos;)
        sarif.replace(at, uri.size(), "<dir>");
      out.sarif = relative(sarif);
    }
    out.files.erase("Wiz_Todo.sarif");
    out.files.erase("Wiz_Log.txt");
    out.files.erase("Wiz_Todo.txt");
    // This run's own copy of the list names the scratch folder too; it is
    // the list above.
    out.files.erase("Wiz_Todo.1.txt");
    return out;
  }

  void ExpectSame(const Outcome& one, const Outcome& many) {
    EXPECT_EQ(one.ok, many.ok);
    EXPECT_EQ(one.error, many.error);
    EXPECT_EQ(one.log, many.log);
    EXPECT_EQ(one.undo, many.undo);
    EXPECT_EQ(one.record, many.record);
    EXPECT_EQ(one.todo, many.todo);
    EXPECT_EQ(one.sarif, many.sarif);
    EXPECT_EQ(one.report, many.report);
    EXPECT_EQ(one.hooks, many.hooks);
    EXPECT_TRUE(many.hooks_on_caller);
    EXPECT_TRUE(one.files == many.files);
  }
};

TEST_P(ParallelRunTest, SameOutcomeAsOneThread) {
  const Outcome one = Run(1);
  ASSERT_NE(one.undo, "");
  ASSERT_GT(one.objects, 0);
  if (!GetParam()) {
    for (std::string left : {"app/many/A=B.pas", "app/many/Dir.dfm"}) {
      std::replace(left.begin(), left.end(), '/', kPathDelim);
      EXPECT_NE(one.log.find("Not migrated: <dir>" + std::string(1, kPathDelim) + left),
                std::string::npos)
          << left;
    }
    for (const char* ancestor : {"\"ancestor\": \"TQuery\"", "\"ancestor\": \"TTable\""})
      EXPECT_NE(one.report.find(ancestor), std::string::npos) << ancestor;
  }
  for (int jobs : {2, 3}) ExpectSame(one, Run(jobs));
}

// A rewriter that fails on one file, whichever thread runs it.
class ThrowingReplacer : public TComponentReplacer {
 public:
  using TComponentReplacer::TComponentReplacer;

 protected:
  FileRewrite ProcessFile(const std::string& file, const std::string& dest, Disk& disk,
                          TFormParser& parser) override {
    if (file.find("U7.pas") != std::string::npos || file.find("Reports.dfm") != std::string::npos)
      throw EReadError("broken: " + file);
    return TComponentReplacer::ProcessFile(file, dest, disk, parser);
  }
};

// A failure, and a cancellation, stop the run at the same file as on one
// thread, whatever the workers did ahead of it: the originals stay.
TEST_P(ParallelRunTest, FailureAndCancellationComeAtTheSameFile) {
  std::unique_ptr<TComponentReplacer> throwing;
  auto fail = [&throwing](TComponentReplacer& r) -> TComponentReplacer& {
    throwing = std::make_unique<ThrowingReplacer>("DBTables", ", NX", ReplaceOptions);
    for (const char* c : {"TTable", "TQuery", "TDatabase"})
      throwing->AddReplacement(c, std::string("TNX") + (c + 1));
    throwing->OnProgress = r.OnProgress;
    return *throwing;
  };
  const Outcome one = Run(1, fail);
  EXPECT_EQ(one.error.rfind(std::string("broken: <dir>") + kPathDelim + "app" + kPathDelim, 0), 0u)
      << one.error;
  EXPECT_EQ(one.undo, "");
  ExpectSame(one, Run(2, fail));

  // A rewritten file that cannot be written stops the run after the
  // rewriting, whichever thread wrote it.
  {
    testing::FaultyDisk disk;
    disk.fail_write = [](const std::string& path) {
      return path.find("$DS") != std::string::npos &&
             (path.ends_with("U5.pas") || path.ends_with("Reports.pas"));
    };
    disk_ = &disk;
    const Outcome failed = Run(1);
    EXPECT_NE(failed.error.find("Cannot create file"), std::string::npos) << failed.error;
    ExpectSame(failed, Run(2));
    disk_ = nullptr;
  }
  // Originals that cannot be replaced (replaced on the pool) are named in
  // the order of the list, and left out of the undo file.
  {
    testing::FaultyDisk disk;
    disk.fail_op = [](const char* op, const std::string& path) {
      return std::string_view(op) == "move" &&
             (path.ends_with("U5.pas") || path.ends_with("Reports.pas"));
    };
    disk_ = &disk;
    const Outcome failed = Run(1);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.log.find("Reports.pas"), std::string::npos);
    EXPECT_EQ(failed.undo.find("Reports.pas"), std::string::npos) << failed.undo;
    EXPECT_NE(failed.undo, "");
    ExpectSame(failed, Run(2));
    disk_ = nullptr;
  }

  int asked = 0;
  auto cancel_at_fourth = [&asked](TComponentReplacer& r) -> TComponentReplacer& {
    asked = 0;
    r.CancelRequested = [&asked] { return ++asked == 4; };
    return r;
  };
  const Outcome cancelled = Run(1, cancel_at_fourth);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(cancelled.undo, "");
  ExpectSame(cancelled, Run(2, cancel_at_fourth));
}

INSTANTIATE_TEST_SUITE_P(Modes, ParallelRunTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Project" : "Folder"; });

}  // namespace
}  // namespace tolvern
