// Walks real runs and makes each file operation fail in turn: the bundled
// example in project mode, and a slice of the corpus forms (with units that
// name them) in folder mode. Whatever fails, every original is either as it
// was or fully migrated, the run never reports a clean success when a file
// of the user's was touched by the failure, the failure names the file, and
// restore gives every byte back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>

#include "corpus.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "ide/project_host.h"
#include "parsing/mapping_profile.h"
#include "platform/disk.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// An operation of a run: its name and its path, with the random work folder
// name and the scratch folder taken out so that runs can be compared.
// `nth` picks one call of the operation on that path (a passing fault, on a
// full disk); -1 fails every call (a lasting one, on a failing disk).
struct Op {
  std::string name, path;
  int nth = -1;
  bool operator<(const Op& o) const {
    return std::tie(name, path, nth) < std::tie(o.name, o.path, o.nth);
  }
};

std::string Normal(const std::string& path, const std::string& root) {
  static const std::regex work(R"(\$DS[0-9A-F]+)");
  std::string p = std::regex_replace(path, work, "$$DS");
  if (p.compare(0, root.size(), root) == 0) p = "<root>" + p.substr(root.size());
  return p;
}

using testing::RunOutcome;

class FaultWalk {
 public:
  // make_tree fills a fresh folder and returns the options' folder.
  FaultWalk(std::function<void(const ScratchDir&)> make_tree,
            std::function<void(const ScratchDir&)> configure)
      : make_tree_(std::move(make_tree)), configure_(std::move(configure)) {}

  RunOutcome Run(const ScratchDir& dir, FaultyDisk* disk) {
    configure_(dir);
    return testing::RunOnDisk(disk);
  }

  // The operations of a clean run, and the tree before and after it.
  // Each call is listed once as a lasting fault (the first call on its
  // path) and once as a passing one.
  std::vector<Op> CleanRun(Files* before, Files* after) {
    ScratchDir dir;
    make_tree_(dir);
    *before = Snapshot(dir.path());
    FaultyDisk disk;
    std::map<Op, int> calls;
    std::vector<Op> ops;
    // The run's jobs act on their files at once.
    std::mutex mutex;
    disk.on_op = [&](const char* op, const std::string& path) {
      Op o{op, Normal(path, dir.path())};
      std::lock_guard lock(mutex);
      const int n = calls[o]++;
      if (n == 0) ops.push_back(o);
      ops.push_back(Op{o.name, o.path, n});
    };
    RunOutcome o = Run(dir, &disk);
    EXPECT_TRUE(o.returned && o.not_migrated == 0) << o.messages;
    *after = Snapshot(dir.path());
    return ops;
  }

  // Fails one operation and checks what the user is left with.
  void FailOne(const Op& op, const Files& before, const Files& after, int* user_visible) {
    ScratchDir dir;
    make_tree_(dir);
    FaultyDisk disk;
    std::map<std::string, int> calls;
    std::mutex mutex;
    disk.fail_errno = op.nth < 0 ? EIO : ENOSPC;
    disk.fail_op = [&](const char* name, const std::string& path) {
      if (op.name != name || Normal(path, dir.path()) != op.path) return false;
      std::lock_guard lock(mutex);
      return op.nth < 0 || calls[path]++ == op.nth;
    };
    RunOutcome o = Run(dir, &disk);
    const std::string what =
        op.name + " " + op.path + (op.nth < 0 ? "" : " (call " + std::to_string(op.nth) + ")");
    Files now = Snapshot(dir.path());
    bool any_migrated = false;
    for (const auto& [path, bytes] : before) {
      if (path.find("RBackup") != std::string::npos || path.ends_with("Wiz_Log.txt")) continue;
      auto migrated = after.find(path);
      bool untouched = now[path] == bytes;
      bool done = migrated != after.end() && now[path] == migrated->second;
      // A form may come out otherwise than in the clean run when the unit
      // declaring its database was left out, its unit then without that
      // unit in its uses, and a project file when a form that uses a
      // created connection was; the run says so, and the file is still a
      // whole migration of its own.
      bool reported = o.not_migrated > 0 && BdeReplacer->Report.FormsChanged() > 0;
      EXPECT_TRUE(untouched || done ||
                  (reported &&
                   (path.ends_with(".dfm") || path.ends_with(".dpr") || path.ends_with(".pas"))))
          << what << ": " << path << " is half migrated";
      any_migrated = any_migrated || (!untouched && bytes != migrated->second);
    }
    // A unit and its form are migrated together or not at all.
    for (const auto& [path, bytes] : before) {
      if (!path.ends_with(".pas")) continue;
      const std::string form = path.substr(0, path.size() - 4) + ".dfm";
      auto form_before = before.find(form);
      if (form_before == before.end() || after.at(path) == bytes ||
          after.at(form) == form_before->second)
        continue;
      EXPECT_EQ(now[path] == bytes, now[form] == form_before->second)
          << what << ": " << path << " and its form are split";
    }
    // A failure on a file of the user's or the run's own is never a success,
    // and names the file.
    // Listing the temporary folder and the user's own folder below it (for
    // work folders of killed runs) and the work folder (to remove it) may
    // fail without harm to anything.
#ifdef _WIN32
    // There the system finds a name without regard to letter case, so no
    // lookup depends on a listing.
    const bool harmless = op.name == "list";
#else
    const std::string& slashed = op.path;
    const bool harmless =
        op.name == "list" && (slashed.ends_with("/.tmp") || slashed == "/tmp" ||
                              slashed.find("/.tmp/tolvern-") != std::string::npos ||
                              slashed.find("/$DS") != std::string::npos);
#endif
    // Looking for the undo files of earlier runs (to read the connections of
    // forms a stopped run migrated from their backups) finds none then; a
    // failure there costs nothing of this run.
    const bool earlier_undo = (op.name == "read" || op.name == "stat") &&
                              op.path.find("RBackup") != std::string::npos &&
                              op.path.find("ZUvezod") != std::string::npos;
    if (!harmless && !earlier_undo) {
      ++*user_visible;
      EXPECT_TRUE(o.threw || !o.returned || o.not_migrated > 0) << what;
      // The path itself, or for a folder that could not be made, the path
      // of the folder below it that the run wanted.
      std::string named = op.path.find("$DS") != std::string::npos ? ExtractFileName(op.path)
                          : op.path.starts_with("<root>")          ? dir.path() + op.path.substr(6)
                                                                   : op.path;
      while (named.size() > 1 && named.back() == '/') named.pop_back();
      EXPECT_NE(o.messages.find(named), std::string::npos) << what << "\n" << o.messages;
    }
    // A file the run created is left only with an undo file that removes it.
    auto created = [&before](const Files& files) {
      std::vector<std::string> extra;
      for (const auto& [path, bytes] : files)
        if (!before.count(path) && path.find("RBackup") == std::string::npos &&
            path.find("Wiz_") == std::string::npos)
          extra.push_back(path);
      return extra;
    };
    // Every original comes back from the undo files this run left.
    if (any_migrated || !created(now).empty()) {
      testing::RunsOn real(*BdeReplacer, nullptr);
      for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        if (e.path().extension() == ".reu") {
          EXPECT_TRUE(BdeReplacer->RestoreFiles(e.path().string())) << what;
        }
      }
      Files restored = Snapshot(dir.path());
      EXPECT_EQ(created(restored), std::vector<std::string>()) << what;
      for (const auto& [path, bytes] : before) {
        if (path.find("RBackup") == std::string::npos && !path.ends_with("Wiz_Log.txt")) {
          EXPECT_EQ(restored[path], bytes) << what << ": " << path;
        }
      }
    }
  }

  int Walk() {
    Files before, after;
    std::vector<Op> ops = CleanRun(&before, &after);
    int user_visible = 0;
    for (const Op& op : ops) FailOne(op, before, after, &user_visible);
    std::printf(
        "faults injected in turn (each operation failing for good with EIO, and each call "
        "failing once with ENOSPC): %zu (%d on the user's or the run's files)\n",
        ops.size(), user_visible);
    return static_cast<int>(ops.size());
  }

 private:
  std::function<void(const ScratchDir&)> make_tree_;
  std::function<void(const ScratchDir&)> configure_;
};

void CommonOptions(const std::string& backup) {
  ReplaceOptions->MakeBackup = true;
  ReplaceOptions->BackupDir = backup;
  ReplaceOptions->WriteLog = true;
  ReplaceOptions->ViewLog = false;
}

TEST(FaultInjectionTest, EveryOperationOfTheExampleInProjectMode) {
  NXReplacerScope library;
  ProjectHost host;
  ScopedIdeServices services(&host);
  FaultWalk walk(
      [](const ScratchDir& dir) { testing::CopyExample(dir, "app"); },
      [&host](const ScratchDir& dir) {
        host.Load(dir / "app/Orders.dpr");
        ReplaceOptions->Dest = RunSource::kProject;
        std::string units;
        for (const char* u : {"MainForm.pas", "DataModule.pas", "Reports.pas", "Utils.pas"})
          units += std::string(u) + "\r\n";
        ReplaceOptions->Units = units;
        CommonOptions(dir / "app/RBackup");
      });
  EXPECT_GT(walk.Walk(), 20);
}

TEST(FaultInjectionTest, EveryOperationOfARunThatCreatesAConnectionModule) {
  NXReplacerScope library;
  // An application on BDE aliases, with a profile that makes a connection
  // module for them: the run creates two files and edits the project file.
  RealDisk disk;
  const MappingProfile profile =
      ReadProfile(disk, std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases.json");
  BdeReplacer->AliasRules = profile.aliases;  // gone with the library at the end
  FaultWalk walk(
      [](const ScratchDir& dir) {
        fs::create_directories(dir / "tree");
        fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases", dir / "tree/app");
      },
      [](const ScratchDir& dir) { testing::UseFolderRun(*ReplaceOptions, dir / "tree"); });
  EXPECT_GT(walk.Walk(), 30);
}

TEST(FaultInjectionTest, EveryOperationOfACorpusSliceInFolderMode) {
  TOLVERN_NEED_CORPUS("failing every file operation of a folder-mode run over real forms");
  NXReplacerScope library;
  // Two text and two binary forms with BDE objects, each with a unit that
  // names it.
  std::vector<fs::path> forms;
  int text = 0, binary = 0;
  std::vector<fs::path> all;
  for (const auto& e : fs::recursive_directory_iterator(testing::CorpusDir()))
    if (e.is_regular_file() && e.path().extension() == ".dfm") all.push_back(e.path());
  std::sort(all.begin(), all.end());
  for (const fs::path& p : all) {
    std::string bytes = testing::ReadFileBytes(p.string());
    if (bytes.find("TQuery") == std::string::npos || bytes.size() > 20000) continue;
    bool is_binary = bytes[0] == '\xFF' || bytes[0] == 'T';
    if ((is_binary ? binary : text) >= 2) continue;
    // Only forms that a clean run migrates.
    ScratchDir probe;
    probe.Write("f/F.pas", "unit F;\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n");
    probe.Write("f/F.dfm", bytes);
    ReplaceOptions->Dest = RunSource::kFolder;
    ReplaceOptions->Directory = probe / "f";
    ReplaceOptions->IncludeSubDirs = false;
    CommonOptions(probe / "bak");
    try {
      if (!BdeReplacer->Execute() || BdeReplacer->Report.FilesNotMigrated() > 0) continue;
    } catch (const std::exception&) {
      continue;
    }
    forms.push_back(p);
    ++(is_binary ? binary : text);
  }
  ASSERT_EQ(forms.size(), 4u);
  FaultWalk walk(
      [&forms](const ScratchDir& dir) {
        for (size_t i = 0; i < forms.size(); ++i) {
          std::string name = "sub" + std::to_string(i % 2) + "/F" + std::to_string(i);
          dir.Write("tree/" + name + ".pas",
                    "unit F;\r\nuses DBTables;\r\nvar Q: TQuery;\r\n{$R *.dfm}\r\nend.\r\n");
          dir.Write("tree/" + name + ".dfm", testing::ReadFileBytes(forms[i].string()));
        }
      },
      [](const ScratchDir& dir) { testing::UseFolderRun(*ReplaceOptions, dir / "tree"); });
  EXPECT_GT(walk.Walk(), 30);
}

}  // namespace
}  // namespace tolvern
