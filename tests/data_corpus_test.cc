// The round trip over the Paradox and dBASE tables of public applications
// (TOLVERN_DATA_CORPUS_DIR, a folder per application): every table the
// move reads arrives in the SQLite database with every live record, and the
// SQL script, run into an empty database by the SQLite library, gives the
// same rows value for value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "base/paths.h"
#include "data/sql_script_writer.h"
#include "data/sqlite_writer.h"
#include "data/table_mover.h"
#include "platform/disk.h"
#include "sqlite_rows.h"
#include "test_support.h"

namespace tolvern::data {
namespace {

using testing::ScratchDir;

std::string DataCorpusDir() {
  const char* dir = std::getenv("TOLVERN_DATA_CORPUS_DIR");
  return dir ? dir : "";
}

// Each application's folder of the corpus.
std::vector<std::string> CorpusFolders(Disk& disk, const std::string& root) {
  std::vector<DirEntry> entries;
  std::vector<std::string> folders;
  disk.List(root, &entries);
  for (const DirEntry& e : entries)
    if (e.is_dir) folders.push_back(PathJoin(root, e.name));
  std::sort(folders.begin(), folders.end());
  return folders;
}

TEST(DataCorpusTest, EveryLiveRecordArrivesAndTheScriptGivesTheSameRows) {
  const std::string root = DataCorpusDir();
  if (root.empty())
    GTEST_SKIP() << "TOLVERN_DATA_CORPUS_DIR is not set: the round trip over the real Paradox "
                    "and dBASE tables (../shared/data-corpus) did not run";
  if (!SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  RealDisk disk;
  ScratchDir dir;
  size_t tables = 0, rows = 0;
  for (const std::string& folder : CorpusFolders(disk, root)) {
    SCOPED_TRACE(folder);
    const std::string sql = dir / (ExtractFileName(folder) + ".sql");
    const std::string db = dir / (ExtractFileName(folder) + ".sqlite");
    std::string error;
    SqlScriptWriter script(disk, sql);
    ASSERT_TRUE(script.Open(&error)) << error;
    auto database = OpenSqliteWriter(disk, db, &error);
    ASSERT_TRUE(database) << error;
    MoveResult result = MoveTables(disk, FindTableFiles(disk, folder, &error), ReadOptions{},
                                   {&script, database.get()});
    ASSERT_EQ(result.output_error, "");
    const std::string replayed = dir / (ExtractFileName(folder) + "-replayed.sqlite");
    ASSERT_EQ(testing::RunSqlScript(testing::ReadFileBytes(sql), replayed), "");
    for (const TableOutcome& t : result.tables) {
      SCOPED_TRACE(t.file);
      if (t.not_a_table) continue;
      ASSERT_EQ(t.error, "");
      EXPECT_EQ(t.rows_rejected, 0u);
      EXPECT_EQ(t.rows_moved, t.account.rows_read);
      std::vector<std::string> stored = testing::SqliteRows(db, t.table);
      EXPECT_EQ(stored.size(), t.rows_moved);
      EXPECT_EQ(testing::SqliteRows(replayed, t.table), stored);
      ++tables;
      rows += stored.size();
    }
  }
  // The corpus holds a hundred tables and more; an empty walk is no pass.
  EXPECT_GT(tables, 100u);
  EXPECT_GT(rows, 10000u);
}

}  // namespace
}  // namespace tolvern::data
