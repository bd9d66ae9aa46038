// Two migrations at once in one process, each on a disk of its own: nothing a
// run reads or writes goes past the disk it was given, so the two never see
// each other's files, locks or logs.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "base/paths.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/replace_options.h"
#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"
#include "platform/memory_disk.h"
#include "test_support.h"

namespace tolvern {
namespace {

// Every file below folder on disk, by relative path with "/" between names.
std::map<std::string, std::string> FilesBelow(Disk& disk, const std::string& folder,
                                              const std::string& prefix = "") {
  std::map<std::string, std::string> files;
  std::vector<DirEntry> entries;
  if (!disk.List(folder, &entries)) return files;
  for (const DirEntry& e : entries) {
    const std::string path = PathJoin(folder, e.name);
    if (e.is_dir) {
      files.merge(FilesBelow(disk, path, prefix + e.name + "/"));
      continue;
    }
    std::string bytes, why;
    if (disk.ReadFile(path, &bytes, &why)) files[prefix + e.name] = bytes;
  }
  return files;
}

// Where the applications lie on their disks: a path with a root, as the
// system writes one.
#ifdef _WIN32
const std::string kAppsFolder = "C:\\apps";
#else
const std::string kAppsFolder = "/apps";
#endif

// One application laid out on a memory disk of its own, and its run.
struct App {
  explicit App(const std::string& source) : options("BDE/ADO") {
    tree = PathJoin(kAppsFolder, ExtractFileName(source));
    EXPECT_TRUE(CreateFolderPath(disk, tree));
    for (const auto& [rel, bytes] : testing::Snapshot(source))
      EXPECT_TRUE(disk.WriteFile(PathJoin(tree, rel), bytes, nullptr)) << rel;
    originals = FilesBelow(disk, tree);
    testing::UseFolderRun(options, tree);
    options.IncludeSubDirs = false;
    options.Jobs = 2;
    replacer = MakeProfileReplacer(BuiltinProfile("bde"), &options);
    replacer->Context.disk = &disk;
  }

  MemoryDisk disk;
  std::string tree;
  std::map<std::string, std::string> originals;
  TReplaceOptions options;
  std::unique_ptr<TComponentReplacer> replacer;
  bool ok = false;
};

TEST(TwoRunsTest, EachRunOnItsOwnDiskGivesItsOwnTreesBytes) {
  NXReplacerScope library;  // the registered target classes
  const std::string orders = testing::ExampleDir();
  const std::string shop = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/databases";
  App a(orders), b(shop);
  std::thread first([&a] { a.ok = a.replacer->Execute(); });
  std::thread second([&b] { b.ok = b.replacer->Execute(); });
  first.join();
  second.join();
  ASSERT_TRUE(a.ok) << a.replacer->Log.Error();
  ASSERT_TRUE(b.ok) << b.replacer->Log.Error();
  for (App* app : {&a, &b}) {
    const std::string source = app == &a ? orders : shop;
    const auto migrated = FilesBelow(app->disk, app->tree);
    for (const auto& [path, bytes] : testing::Snapshot(source + ".expected")) {
      ASSERT_TRUE(migrated.count(path)) << source << ": " << path;
      EXPECT_EQ(migrated.at(path), bytes) << source << ": " << path;
    }
    // The log, the to-do list and the undo file are on the run's own disk.
    EXPECT_TRUE(migrated.count("Wiz_Log.txt")) << source;
    EXPECT_TRUE(migrated.count("Wiz_Todo.txt")) << source;
    EXPECT_TRUE(migrated.count("RBackup/ZUvezod.reu")) << source;
  }
  // Each restore, on its own disk too, gives back every original byte.
  std::thread undo_first(
      [&a] { a.ok = a.replacer->RestoreFiles(PathJoin(a.options.BackupDir, "ZUvezod.reu")); });
  std::thread undo_second(
      [&b] { b.ok = b.replacer->RestoreFiles(PathJoin(b.options.BackupDir, "ZUvezod.reu")); });
  undo_first.join();
  undo_second.join();
  for (App* app : {&a, &b}) {
    EXPECT_TRUE(app->ok) << app->replacer->RestoreError;
    const auto restored = FilesBelow(app->disk, app->tree);
    for (const auto& [path, bytes] : app->originals)
      EXPECT_EQ(restored.at(path), bytes) << app->tree << ": " << path;
  }
}

}  // namespace
}  // namespace tolvern
