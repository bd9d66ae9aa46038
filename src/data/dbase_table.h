// A dBASE table (.DBF, with its .DBT or .FPT memo file) read record by
// record. Records marked deleted ('*') are left out and counted; a value
// that is not what its type allows is NULL and named once per field.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/dbase_header.h"
#include "data/dbase_memo.h"
#include "data/table_reader.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

class DbaseTable : public TableReader {
 public:
  // Opens the table at path; null, with the file and the problem in *error,
  // when it is no dBASE table or cannot be read.
  static std::unique_ptr<DbaseTable> Open(Disk& disk, const std::string& path,
                                          const ReadOptions& options, std::string* error);

  const TableSchema& Schema() const override { return schema_; }
  bool Next(Row* row) override;
  const TableAccount& Account() const override { return account_; }
  int CodePage() const override { return code_page_; }

 private:
  DbaseTable() = default;
  void OpenMemo(Disk& disk, const std::string& path);
  // Decodes the record, which lies at offset `at`.
  void DecodeRecord(std::string_view record, size_t at, Row* row);
  // Ends the table at a record the file could not give.
  void ReadFailed(std::uint64_t at, const std::string& reason);
  void FieldProblem(size_t field, size_t offset, const std::string& what);
  void End();

  std::string name_;
  std::unique_ptr<FileWindow> file_;
  std::optional<DbaseMemo> memo_;
  std::string memo_missing_;  // why memos cannot be read, when they cannot
  DbaseHeader header_;
  std::vector<size_t> columns_;  // the fields that become columns
  TableSchema schema_;
  TableAccount account_;
  int code_page_ = 1252;
  std::uint32_t record_ = 0;
  bool ended_ = false;
  std::vector<bool> field_named_;
  std::uint64_t bad_flags_ = 0;  // records whose deletion flag is damaged
  size_t first_bad_flag_ = 0;    // a field's problem is named once
};

}  // namespace tolvern::data
