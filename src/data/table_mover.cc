#include "data/table_mover.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <unordered_set>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/dbase_indexes.h"
#include "data/dbase_table.h"
#include "data/paradox_indexes.h"
#include "data/paradox_table.h"
#include "data/sql_text.h"
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

// Index names share the database's name space with the tables: each is
// the table's name, "_", and the index's, made unique as table names are.
void NameIndexes(TableSchema* schema, std::set<std::string>* taken) {
  for (TableIndex& index : schema->indexes)
    index.name = UniqueName(schema->name + "_" + index.name, taken);
}

// A value as a unique index compares it: numbers by their value, whatever
// their kind ('1.50' and 1.5 are one key to the database).
void AppendKeyPart(const Value& v, std::string* key) {
  switch (v.kind) {
    case ValueKind::kInteger:
    case ValueKind::kBoolean:
      *key += "n" + ShortestDecimal(static_cast<double>(v.integer));
      break;
    case ValueKind::kReal:
      *key += "n" + ShortestDecimal(v.real);
      break;
    case ValueKind::kDecimal:
      *key += "n" + ShortestDecimal(std::strtod(v.text.c_str(), nullptr));
      break;
    case ValueKind::kText: {
      // Stored up to its first NUL, as the database will compare it.
      std::string_view text = StoredText(v.text);
      *key += "t" + std::to_string(text.size()) + ":" + std::string(text);
      break;
    }
    default:
      *key += "b" + std::to_string(v.text.size()) + ":" + v.text;
      break;
  }
  *key += '\0';
}

// Whether the rows must be read once before the table is written: to know
// whether a required column holds NULLs, or a unique index's keys repeat.
bool NeedsFirstPass(const TableSchema& schema) {
  return std::any_of(schema.columns.begin(), schema.columns.end(),
                     [](const Column& c) { return c.required; }) ||
         std::any_of(schema.indexes.begin(), schema.indexes.end(),
                     [](const TableIndex& i) { return i.unique; });
}

// Reads the rows once and settles what the rows decide: a required column
// is NOT NULL only when no row holds a NULL in it, a unique index is
// UNIQUE only when no two rows share a key, so that no row is refused.
// What is given up is noted.
void SettleConstraints(TableReader& reader, const std::string& file, TableSchema* schema,
                       std::vector<std::string>* notes) {
  std::vector<std::uint64_t> nulls(schema->columns.size(), 0);
  std::vector<std::unordered_set<std::string>> keys(schema->indexes.size());
  std::vector<bool> repeated(schema->indexes.size(), false);
  Row row;
  while (reader.Next(&row)) {
    for (size_t c = 0; c < row.size() && c < nulls.size(); ++c)
      if (row[c].kind == ValueKind::kNull) ++nulls[c];
    for (size_t i = 0; i < schema->indexes.size(); ++i) {
      const TableIndex& index = schema->indexes[i];
      if (!index.unique || repeated[i]) continue;
      std::string key;
      bool has_null = false;
      for (int c : index.columns) {
        has_null = has_null || row[c].kind == ValueKind::kNull;
        AppendKeyPart(row[c], &key);
      }
      // NULLs never clash in a unique index.
      if (!has_null && !keys[i].insert(std::move(key)).second) repeated[i] = true;
    }
  }
  for (size_t c = 0; c < nulls.size(); ++c) {
    Column& column = schema->columns[c];
    column.not_null = column.not_null || (column.required && nulls[c] == 0);
    if (column.required && nulls[c])
      notes->push_back(file + ": field " + column.name + " is required, but " +
                       std::to_string(nulls[c]) +
                       " rows hold no value in it: written without NOT NULL");
  }
  for (size_t i = 0; i < schema->indexes.size(); ++i) {
    if (!repeated[i]) continue;
    schema->indexes[i].unique = false;
    notes->push_back(file + ": index " + schema->indexes[i].name +
                     " is unique, but rows share a key: written as an index that is not unique");
  }
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

std::string Stem(const std::string& name) {
  return UpperCase(name.substr(0, name.size() - ExtractFileExt(name).size()));
}

// The index and check files of the tables' folders that no table read
// (an .NDX named otherwise than its table, an .MDX beside a Paradox
// table), each named in a note so that none is passed over in silence.
void NoteUnreadFiles(Disk& disk, const std::vector<std::string>& tables,
                     std::vector<std::string>* notes) {
  std::set<std::string> folders, paradox, dbase;
  for (const std::string& t : tables) {
    folders.insert(ExtractFileDir(t));
    (IsParadoxFile(t) ? paradox : dbase).insert(ExtractFileDir(t) + "|" + Stem(ExtractFileName(t)));
  }
  for (const std::string& folder : folders) {
    std::vector<DirEntry> entries;
    if (!disk.List(folder, &entries)) continue;
    for (const DirEntry& e : entries) {
      std::string ext = ExtractFileExt(e.name);
      bool px = IsParadoxIndexExt(ext) || SameText(ext, ".val");
      if (e.is_dir || (!px && !IsDbaseIndexExt(ext))) continue;
      if (!(px ? paradox : dbase).count(folder + "|" + Stem(e.name)))
        notes->push_back(PathJoin(folder, e.name) + ": no " + (px ? "Paradox" : "dBASE") +
                         " table here has its name, so it is not read");
    }
  }
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
    NameIndexes(&schema, &taken);
    outcome.table = schema.name;
    if (NeedsFirstPass(schema)) {
      TableOutcome first;
      std::unique_ptr<TableReader> again = OpenTable(disk, file, options, &first);
      if (again) SettleConstraints(*again, ExtractFileName(file), &schema, &outcome.account.notes);
    }
    std::string error;
    bool ok =
        std::all_of(sinks.begin(), sinks.end(),
                    [&](TableSink* s) { return s->BeginTable(schema, &error); }) &&
        MoveRows(*reader, sinks, &outcome, &error) &&
        std::all_of(sinks.begin(), sinks.end(), [&](TableSink* s) { return s->EndTable(&error); });
    TableAccount account = reader->Account();
    account.problems.insert(account.problems.begin(), outcome.account.problems.begin(),
                            outcome.account.problems.end());
    account.notes.insert(account.notes.end(), outcome.account.notes.begin(),
                         outcome.account.notes.end());
    outcome.account = std::move(account);
    if (!ok) {
      result.output_error = error;
      return result;
    }
  }
  NoteUnreadFiles(disk, files, &result.notes);
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
