#include "data/table_mover.h"

#include <algorithm>
#include <memory>
#include <set>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/dbase_table.h"
#include "data/paradox_table.h"
#include "platform/disk.h"

namespace tolvern::data {
namespace {

bool IsParadoxFile(const std::string& name) { return SameText(ExtractFileExt(name), ".db"); }
bool IsDbaseFile(const std::string& name) { return SameText(ExtractFileExt(name), ".dbf"); }

// A name no earlier table has (ignoring letter case, as databases compare
// names): the file's stem, with _2, _3... after it when taken.
std::string UniqueName(const std::string& name, std::set<std::string>* taken) {
  std::string candidate = name;
  for (int n = 2; !taken->insert(UpperCase(candidate)).second; ++n)
    candidate = name + "_" + std::to_string(n);
  return candidate;
}

std::unique_ptr<TableReader> OpenTable(Disk& disk, const std::string& file,
                                       const ReadOptions& options, TableOutcome* outcome) {
  std::string error;
  std::unique_ptr<TableReader> reader;
  if (IsParadoxFile(file))
    reader = ParadoxTable::Open(disk, file, options, &error);
  else
    reader = DbaseTable::Open(disk, file, options, &error);
  if (!reader) {
    outcome->error = error;
    outcome->not_a_table =
        IsParadoxFile(file) && error.find(": not a Paradox table") != std::string::npos;
  }
  return reader;
}

// Moves one table's rows; false when an output failed (*error says why).
bool MoveRows(TableReader& reader, const std::vector<TableSink*>& sinks, TableOutcome* outcome,
              std::string* error) {
  Row row;
  while (reader.Next(&row)) {
    bool rejected = false;
    for (TableSink* sink : sinks) {
      std::string why;
      TableSink::RowResult result = sink->AddRow(row, &why);
      if (result == TableSink::RowResult::kFailed) {
        *error = why;
        return false;
      }
      if (result == TableSink::RowResult::kRejected && !rejected) {
        rejected = true;
        if (outcome->rows_rejected++ == 0)
          outcome->account.problems.push_back(ExtractFileName(outcome->file) + ": row " +
                                              std::to_string(reader.Account().rows_read) +
                                              " refused by the database: " + why);
      }
    }
    if (!rejected) ++outcome->rows_moved;
  }
  return true;
}

}  // namespace

bool MoveResult::Complete() const {
  if (!output_error.empty() || !listing_errors.empty()) return false;
  return std::none_of(tables.begin(), tables.end(), [](const TableOutcome& t) { return t.Lost(); });
}

std::vector<std::string> FindTableFiles(Disk& disk, const std::string& folder, std::string* error) {
  std::vector<DirEntry> entries;
  std::vector<std::string> files;
  if (!disk.List(folder, &entries, error)) return files;
  for (const DirEntry& entry : entries)
    if (!entry.is_dir && (IsParadoxFile(entry.name) || IsDbaseFile(entry.name)))
      files.push_back(PathJoin(folder, entry.name));
  std::sort(files.begin(), files.end());
  return files;
}

MoveResult MoveTables(Disk& disk, const std::vector<std::string>& files, const ReadOptions& options,
                      const std::vector<TableSink*>& sinks) {
  MoveResult result;
  std::set<std::string> taken;
  for (const std::string& file : files) {
    TableOutcome& outcome = result.tables.emplace_back();
    outcome.file = file;
    std::unique_ptr<TableReader> reader = OpenTable(disk, file, options, &outcome);
    if (!reader) continue;
    TableSchema schema = reader->Schema();
    schema.name = UniqueName(schema.name, &taken);
    outcome.table = schema.name;
    std::string error;
    bool ok =
        std::all_of(sinks.begin(), sinks.end(),
                    [&](TableSink* s) { return s->BeginTable(schema, &error); }) &&
        MoveRows(*reader, sinks, &outcome, &error) &&
        std::all_of(sinks.begin(), sinks.end(), [&](TableSink* s) { return s->EndTable(&error); });
    TableAccount account = reader->Account();
    account.problems.insert(account.problems.begin(), outcome.account.problems.begin(),
                            outcome.account.problems.end());
    outcome.account = std::move(account);
    if (!ok) {
      result.output_error = error;
      return result;
    }
  }
  for (TableSink* sink : sinks) {
    std::string error;
    if (!sink->Finish(&error)) {
      result.output_error = error;
      break;
    }
  }
  return result;
}

}  // namespace tolvern::data
