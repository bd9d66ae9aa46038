#include "data/sql_script_writer.h"

#include "data/output_place.h"
#include "data/sql_text.h"
#include "platform/disk.h"

namespace tolvern::data {
namespace {

constexpr size_t kFlushSize = 1 << 16;

}  // namespace

SqlScriptWriter::SqlScriptWriter(Disk& disk, std::string path)
    : disk_(disk), path_(std::move(path)), temp_path_(PartPath(path_)) {}

SqlScriptWriter::~SqlScriptWriter() {
  if (finished_) return;
  std::string ignored;
  if (file_) file_->Close(&ignored);
  if (file_) disk_.DeleteFile(temp_path_, &ignored);
}

bool SqlScriptWriter::Open(std::string* error) {
  std::string reason;
  file_ = disk_.OpenAppend(temp_path_, &reason);
  if (!file_) {
    *error = temp_path_ + ": cannot be written: " + reason;
    return false;
  }
  buffer_ = "-- Tables moved by tolvern data.\n";
  return true;
}

bool SqlScriptWriter::Flush(bool always, std::string* error) {
  if (buffer_.empty() || (!always && buffer_.size() < kFlushSize)) return true;
  std::string reason;
  if (!file_->Append(buffer_, &reason)) {
    *error = temp_path_ + ": cannot be written: " + reason;
    return false;
  }
  buffer_.clear();
  return true;
}

bool SqlScriptWriter::BeginTable(const TableSchema& schema, std::string* error) {
  buffer_ += "\n" + CreateTableSql(schema) + ";\n";
  insert_prefix_ = InsertPrefix(schema);
  schema_ = schema;
  rows_in_transaction_ = 0;
  return Flush(false, error);
}

TableSink::RowResult SqlScriptWriter::AddRow(const Row& row, std::string* error) {
  if (rows_in_transaction_ == 0) buffer_ += "BEGIN TRANSACTION;\n";
  buffer_ += insert_prefix_;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i) buffer_ += ", ";
    AppendLiteral(row[i], &buffer_);
  }
  buffer_ += ");\n";
  if (++rows_in_transaction_ == kRowsPerTransaction) {
    buffer_ += "COMMIT;\n";
    rows_in_transaction_ = 0;
  }
  return Flush(false, error) ? RowResult::kWritten : RowResult::kFailed;
}

bool SqlScriptWriter::EndTable(std::string* error) {
  if (rows_in_transaction_) buffer_ += "COMMIT;\n";
  rows_in_transaction_ = 0;
  // After the rows: building an index once is faster than keeping it up
  // to date row by row.
  for (const TableIndex& index : schema_.indexes) buffer_ += CreateIndexSql(schema_, index) + ";\n";
  return Flush(false, error);
}

bool SqlScriptWriter::Finish(std::string* error) {
  std::string reason;
  if (!Flush(true, error)) return false;
  if (!file_->Close(&reason)) {
    *error = temp_path_ + ": cannot be written: " + reason;
    return false;
  }
  file_.reset();
  finished_ = true;
  return PutInPlace(disk_, temp_path_, path_, error);
}

}  // namespace tolvern::data
