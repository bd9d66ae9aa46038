// The round trip over the Paradox and dBASE tables of public applications
// (TOLVERN_DATA_CORPUS_DIR, a folder per application): every table the
// move reads arrives in the SQLite database with every live record, and the
// SQL script, run into an empty database by the SQLite library, gives the
// same rows value for value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <set>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/dbase_indexes.h"
#include "data/paradox_checks.h"
#include "data/paradox_header.h"
#include "data/paradox_indexes.h"
#include "data/sibling_file.h"
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

// The notes of a table that start with the file's name.
size_t NotesOf(const TableOutcome& t, const std::string& file) {
  return std::count_if(t.account.notes.begin(), t.account.notes.end(),
                       [&](const std::string& n) { return n.rfind(file + ": ", 0) == 0; });
}

// The indexes an index file holds: an .MDX's tags when they can be read,
// else one (the file, noted whole).
size_t IndexesIn(Disk& disk, const std::string& path) {
  std::string bytes, why;
  std::vector<DbaseTag> tags;
  if (SameText(ExtractFileExt(path), ".mdx") && disk.ReadFile(path, &bytes, &why) &&
      ReadMdxTags(bytes, &tags, &why))
    return tags.size();
  return 1;
}

bool IsIndexOrCheckExt(std::string_view ext) {
  return IsParadoxIndexExt(ext) || IsDbaseIndexExt(ext) || SameText(ext, ".val");
}

// Every secondary index and validity check of the real tables is written
// or noted, none left out in silence, and no constraint costs a row.
TEST(DataCorpusTest, EveryIndexAndCheckIsWrittenOrNoted) {
  const std::string root = DataCorpusDir();
  if (root.empty())
    GTEST_SKIP() << "TOLVERN_DATA_CORPUS_DIR is not set: the indexes and checks of the real "
                    "Paradox and dBASE tables (../shared/data-corpus) were not tried";
  if (!SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  RealDisk disk;
  ScratchDir dir;
  size_t index_files = 0, indexes = 0, written = 0, noted = 0, vals = 0, not_null = 0, defaults = 0,
         val_notes = 0, orphans = 0;
  for (const std::string& folder : CorpusFolders(disk, root)) {
    SCOPED_TRACE(folder);
    const std::string db = dir / (ExtractFileName(folder) + ".sqlite");
    std::string error;
    auto database = OpenSqliteWriter(disk, db, &error);
    ASSERT_TRUE(database) << error;
    std::vector<std::string> files = FindTableFiles(disk, folder, &error);
    MoveResult result = MoveTables(disk, files, ReadOptions{}, {database.get()});
    ASSERT_EQ(result.output_error, "");
    std::set<std::string> read;  // the index and check files of the tables read
    for (const TableOutcome& t : result.tables) {
      if (t.not_a_table) continue;
      SCOPED_TRACE(t.file);
      ASSERT_EQ(t.error, "");
      EXPECT_EQ(t.rows_rejected, 0u);
      EXPECT_EQ(t.rows_moved, t.account.rows_read);
      const bool paradox = SameText(ExtractFileExt(t.file), ".db");
      size_t expected = 0, notes = 0;
      for (const std::string& f :
           SiblingFiles(disk, t.file, paradox ? IsParadoxIndexExt : IsDbaseIndexExt)) {
        ++index_files;
        read.insert(f);
        expected += IndexesIn(disk, f);
        notes += NotesOf(t, ExtractFileName(f));
      }
      std::vector<std::string> in_db = testing::SqliteQuery(
          db,
          "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL AND "
          "tbl_name = '" +
              t.table + "'");
      ASSERT_EQ(in_db.size(), 1u);
      size_t made = std::stoul(in_db[0].substr(2));
      EXPECT_EQ(made + notes, expected) << made << " written, " << notes << " noted";
      indexes += expected, written += made, noted += notes;
      std::string val = paradox ? SiblingFile(disk, t.file, ".VAL") : "";
      if (val.empty()) continue;
      read.insert(val);
      ++vals;
      val_notes += NotesOf(t, ExtractFileName(val));
      std::vector<std::string> columns = testing::SqliteQuery(
          db,
          "SELECT \"notnull\", dflt_value IS NOT NULL FROM pragma_table_info('" + t.table + "')");
      not_null += std::count(columns.begin(), columns.end(), "i:1 | i:0") +
                  std::count(columns.begin(), columns.end(), "i:1 | i:1");
      defaults += std::count(columns.begin(), columns.end(), "i:0 | i:1") +
                  std::count(columns.begin(), columns.end(), "i:1 | i:1");
      // Each check is written (NOT NULL, DEFAULT) or noted.
      std::string bytes;
      ParadoxHeader header;
      std::vector<FieldChecks> checks;
      ASSERT_TRUE(disk.ReadFile(t.file, &bytes, &error));
      ASSERT_TRUE(ReadParadoxHeader(bytes, &header, &error));
      ASSERT_TRUE(disk.ReadFile(val, &bytes, &error));
      if (!ReadParadoxChecks(bytes, header, 1252, &checks, &error)) {
        EXPECT_EQ(NotesOf(t, ExtractFileName(val)), 1u) << error;
        continue;
      }
      for (const FieldChecks& c : checks) {
        const std::string& row = columns.at(c.field);
        if (c.required) {
          EXPECT_TRUE(row.rfind("i:1", 0) == 0 || NotesOf(t, ExtractFileName(t.file)) > 0) << row;
        }
        if (c.default_value && c.default_value->kind != ValueKind::kNull) {
          EXPECT_EQ(row.substr(row.size() - 3), "i:1");
        }
      }
    }
    std::vector<DirEntry> entries;
    disk.List(folder, &entries);
    for (const DirEntry& e : entries) {
      const std::string path = PathJoin(folder, e.name);
      if (!IsIndexOrCheckExt(ExtractFileExt(e.name)) || read.count(path)) continue;
      // Every other index or check file is named in a note of the move.
      bool noted = std::any_of(result.notes.begin(), result.notes.end(),
                               [&](const std::string& n) { return n.rfind(path + ": ", 0) == 0; });
      EXPECT_TRUE(noted) << path;
      orphans += noted;
    }
  }
  std::cout << index_files << " index files holding " << indexes << " indexes: " << written
            << " written, " << noted << " noted; " << vals << " .VAL files: " << not_null
            << " NOT NULL, " << defaults << " DEFAULT, " << val_notes << " notes; " << orphans
            << " other index or check files noted as read by no table\n";
  EXPECT_EQ(written + noted, indexes);
  EXPECT_GT(index_files, 100u);  // the corpus holds a hundred and more
  EXPECT_GT(vals, 5u);
}

}  // namespace
}  // namespace tolvern::data
