#include "data/dbase_table.h"

#include "base/paths.h"
#include "data/dbase_indexes.h"
#include "data/dbase_values.h"
#include "data/sibling_file.h"
#include "platform/code_pages.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"

namespace tolvern::data {

std::unique_ptr<DbaseTable> DbaseTable::Open(Disk& disk, const std::string& path,
                                             const ReadOptions& options, std::string* error) {
  std::unique_ptr<DbaseTable> table(new DbaseTable);
  table->name_ = ExtractFileName(path);
  std::string reason;
  std::unique_ptr<ReadableFile> file = disk.OpenRead(path, &reason);
  std::string_view head;
  if (file) table->file_ = std::make_unique<FileWindow>(std::move(file));
  // The header's size is a 16-bit number: the first 64 KB hold it.
  if (!table->file_ || !table->file_->View(0, 0x10000, &head, &reason)) {
    *error = table->name_ + ": cannot be read: " + reason;
    return nullptr;
  }
  if (!ReadDbaseHeader(head, &table->header_, &reason)) {
    *error = table->name_ + ": " + reason;
    return nullptr;
  }
  int driver_page = CodePageOfLanguageDriver(table->header_.language_driver);
  table->code_page_ = IsKnownCodePage(driver_page) ? driver_page
                      : options.code_page          ? options.code_page
                                                   : 1252;
  std::string stem = table->name_.substr(0, table->name_.size() - ExtractFileExt(path).size());
  table->schema_.name = IsValidUtf8(stem) ? stem : CodePageToUtf8(table->code_page_, stem);
  bool memos = false;
  for (size_t i = 0; i < table->header_.fields.size(); ++i) {
    const DbaseField& field = table->header_.fields[i];
    if (IsDbaseSystemField(field)) continue;
    memos = memos || IsDbaseMemo(field, table->header_.flavor);
    table->columns_.push_back(i);
    table->schema_.columns.push_back(DbaseColumn(field, table->header_.flavor, table->code_page_));
  }
  table->schema_.indexes =
      ReadDbaseIndexes(disk, SiblingFiles(disk, path, IsDbaseIndexExt), table->schema_.columns,
                       table->code_page_, &table->account_.notes);
  table->field_named_.assign(table->header_.fields.size(), false);
  if (memos) table->OpenMemo(disk, path);
  return table;
}

void DbaseTable::OpenMemo(Disk& disk, const std::string& path) {
  bool fox = header_.flavor == DbaseFlavor::kFoxPro;
  std::string memo_path = SiblingFile(disk, path, fox ? ".FPT" : ".DBT");
  if (memo_path.empty()) {
    memo_missing_ = std::string("the memo file ") + (fox ? ".FPT" : ".DBT") + " is missing";
    return;
  }
  std::string reason;
  std::unique_ptr<ReadableFile> file = disk.OpenRead(memo_path, &reason);
  if (!file) {
    memo_missing_ = ExtractFileName(memo_path) + " cannot be read: " + reason;
    return;
  }
  memo_.emplace(header_.flavor, FileWindow(std::move(file)));
}

void DbaseTable::FieldProblem(size_t field, size_t offset, const std::string& what) {
  if (field_named_[field]) return;
  field_named_[field] = true;
  account_.problems.push_back(name_ + ": offset " + std::to_string(offset) + ": field " +
                              CodePageToUtf8(code_page_, header_.fields[field].name) + ": " + what +
                              " (this and any later such values are NULL)");
}

void DbaseTable::DecodeRecord(std::string_view record, size_t at, Row* row) {
  row->clear();
  for (size_t i : columns_) {
    const DbaseField& field = header_.fields[i];
    size_t offset = at + 1 + field.offset;
    std::string_view bytes = record.substr(1 + field.offset, field.length);
    Value value;
    if (IsDbaseMemo(field, header_.flavor)) {
      std::uint64_t block = DbaseMemoBlock(bytes, header_.flavor);
      std::string data, error;
      if (block == 0) {
      } else if (!memo_) {
        FieldProblem(i, offset, memo_missing_);
      } else if (!memo_->Read(block, &data, &error)) {
        FieldProblem(i, offset, error);
      } else if (field.type == 'M') {
        value = Value::Text(CodePageToUtf8(code_page_, data));
      } else {
        value = Value::Blob(std::move(data));
      }
    } else if (!DbaseValue(field, header_.flavor, bytes, code_page_, &value)) {
      FieldProblem(i, offset, "\"" + std::string(bytes) + "\" is no " + field.type + " value");
    }
    row->push_back(std::move(value));
  }
}

void DbaseTable::End() {
  ended_ = true;
  if (bad_flags_)
    account_.problems.push_back(name_ + ": offset " + std::to_string(first_bad_flag_) + ": " +
                                std::to_string(bad_flags_) +
                                " records, the first here, have a deletion flag neither blank nor "
                                "'*' (damaged); left out");
  std::uint64_t held = static_cast<std::uint64_t>(header_.record_size) * header_.record_count;
  if (header_.header_size + held > file_->Size()) {
    std::uint64_t whole = (file_->Size() - header_.header_size) / header_.record_size;
    account_.problems.push_back(
        name_ + ": offset " + std::to_string(header_.header_size + whole * header_.record_size) +
        ": the file is cut short: it holds " + std::to_string(whole) + " of the " +
        std::to_string(header_.record_count) + " records its header counts");
    account_.rows_damaged += header_.record_count - whole;
    account_.incomplete = true;
  }
}

void DbaseTable::ReadFailed(std::uint64_t at, const std::string& reason) {
  ended_ = true;
  std::uint64_t left = header_.record_count - record_;
  account_.problems.push_back(name_ + ": offset " + std::to_string(at) +
                              ": cannot be read: " + reason + "; the " + std::to_string(left) +
                              " records from here on are left out");
  account_.rows_damaged += left;
  account_.incomplete = true;
}

bool DbaseTable::Next(Row* row) {
  while (!ended_) {
    std::uint64_t at = header_.header_size + std::uint64_t{record_} * header_.record_size;
    std::string_view record;
    std::string reason;
    if (record_ < header_.record_count && at + header_.record_size <= file_->Size() &&
        !file_->View(at, static_cast<size_t>(header_.record_size), &record, &reason)) {
      ReadFailed(at, reason);
      return false;
    }
    if (record.size() < static_cast<size_t>(header_.record_size)) {
      End();
      return false;
    }
    ++record_;
    char flag = record[0];
    if (flag == '*') {
      ++account_.rows_deleted;
      continue;
    }
    if (flag != ' ') {
      if (bad_flags_++ == 0) first_bad_flag_ = at;
      ++account_.rows_damaged;
      continue;
    }
    DecodeRecord(record, static_cast<size_t>(at), row);
    ++account_.rows_read;
    return true;
  }
  return false;
}

}  // namespace tolvern::data
