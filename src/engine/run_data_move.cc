#include "engine/run_data_move.h"

#include <memory>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/sql_script_writer.h"
#include "data/sqlite_writer.h"
#include "engine/table_file_advice.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

std::string Count(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Moves one alias's tables; the outputs are opened only when the folder is
// there, so that a mistyped folder leaves no empty database behind.
AliasDataReport MoveOne(Disk& disk, const std::string& tree, const AliasDataSource& source,
                        int code_page) {
  AliasDataReport r;
  r.alias = source.alias;
  if (source.folder.empty()) {
    r.problems.push_back("the profile leaves the alias's table folder (\"data\") to fill in");
    return r;
  }
  r.folder = NativeSeparators(ExpandPath(source.folder, tree));
  if (!disk.DirExists(r.folder)) {
    r.problems.push_back("the alias's table folder \"" + r.folder + "\" does not exist");
    return r;
  }
  std::string why;
  const std::vector<std::string> files = data::FindTableFiles(disk, r.folder, &why);
  if (!why.empty()) r.problems.push_back(r.folder + ": cannot be listed: " + why);
  const std::string stem = PathJoin(tree, DataFileStem(source.alias));
  std::vector<data::TableSink*> sinks;
  data::SqlScriptWriter script(disk, stem + ".sql");
  std::string error;
  if (script.Open(&error))
    sinks.push_back(&script);
  else
    r.problems.push_back(error);
  std::unique_ptr<data::TableSink> database =
      data::OpenSqliteWriter(disk, stem + ".sqlite", &error);
  if (database)
    sinks.push_back(database.get());
  else
    r.problems.push_back(error);
  if (sinks.empty()) return r;
  data::ReadOptions options;
  options.code_page = code_page;
  options.passwords = source.passwords;
  data::MoveResult moved = data::MoveTables(disk, files, options, sinks);
  r.tables = std::move(moved.tables);
  if (!moved.output_error.empty()) {
    r.problems.push_back(moved.output_error);
    return r;
  }
  if (!sinks.empty() && sinks.front() == &script) r.sql = stem + ".sql";
  if (database) r.sqlite = stem + ".sqlite";
  return r;
}

}  // namespace

bool AliasDataReport::Complete() const {
  if (!problems.empty()) return false;
  for (const data::TableOutcome& t : tables)
    if (t.Lost()) return false;
  return true;
}

std::string DataFileStem(const std::string& alias) {
  std::string stem = "Wiz_Data_";
  for (char c : alias) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool plain =
        u >= 0x80 || (u > ' ' && std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos);
    stem += plain ? c : '_';
  }
  return stem;
}

std::vector<AliasDataReport> MoveAliasData(Disk& disk, const std::string& tree,
                                           const std::vector<AliasDataSource>& sources,
                                           int code_page) {
  std::vector<AliasDataReport> reports;
  for (const AliasDataSource& source : sources)
    reports.push_back(MoveOne(disk, tree, source, code_page));
  return reports;
}

void NameMovedTables(const std::vector<AliasDataReport>& moved, std::vector<TodoItem>* items) {
  for (TodoItem& item : *items) {
    if (item.kind != TodoKind::kTableFile) continue;
    const std::string file = TableFileNamed(item.text);
    if (file.empty()) continue;
    for (const AliasDataReport& r : moved) {
      if (r.sql.empty() && r.sqlite.empty()) continue;
      for (const data::TableOutcome& t : r.tables) {
        if (t.table.empty() || !SameText(ExtractFileName(t.file), file)) continue;
        item.advice += "; this run moved it into table \"" + t.table + "\" of " +
                       ExtractFileName(r.sql.empty() ? r.sqlite : r.sql);
        if (!r.sql.empty() && !r.sqlite.empty()) item.advice += " and " + ExtractFileName(r.sqlite);
      }
    }
  }
}

std::string DataMoveLine(const AliasDataReport& r) {
  std::uint64_t tables = 0, rows = 0, lost = 0;
  for (const data::TableOutcome& t : r.tables) {
    if (!t.table.empty()) ++tables;
    rows += t.rows_moved;
    lost += t.Lost();
  }
  std::string line = "Data of alias " + r.alias;
  if (!r.folder.empty()) line += " (" + r.folder + ")";
  if (r.sql.empty() && r.sqlite.empty()) {
    line += ": not moved";
    for (size_t i = 0; i < r.problems.size(); ++i) line += (i ? "; " : ": ") + r.problems[i];
    return line;
  }
  line += ": " + Count(tables, "table", "tables") + ", " + Count(rows, "row", "rows") +
          " moved into " + ExtractFileName(r.sql.empty() ? r.sqlite : r.sql);
  if (!r.sql.empty() && !r.sqlite.empty()) line += " and " + ExtractFileName(r.sqlite);
  if (lost) line += "; " + Count(lost, "table", "tables") + " with rows or values not moved";
  for (const std::string& p : r.problems) line += "; " + p;
  return line;
}

}  // namespace tolvern
