#include "data/paradox_table.h"

#include "base/paths.h"
#include "data/byte_reading.h"
#include "data/file_window.h"
#include "data/paradox_blobs.h"
#include "data/paradox_checks.h"
#include "data/paradox_cipher.h"
#include "data/paradox_indexes.h"
#include "data/paradox_password.h"
#include "data/paradox_values.h"
#include "data/sibling_file.h"
#include "platform/code_pages.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"

namespace tolvern::data {
namespace {

// A block starts with the next block's number, the previous one's, and the
// offset of its last record (negative when it holds none).
constexpr size_t kBlockHeader = 6;

bool IsBlobType(std::uint8_t type) {
  switch (static_cast<ParadoxType>(type)) {
    case ParadoxType::kMemo:
    case ParadoxType::kBlob:
    case ParadoxType::kFmtMemo:
    case ParadoxType::kOle:
    case ParadoxType::kGraphic:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<ParadoxTable> ParadoxTable::Open(Disk& disk, const std::string& path,
                                                 const ReadOptions& options, std::string* error) {
  std::unique_ptr<ParadoxTable> table(new ParadoxTable);
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
  if (!ReadParadoxHeader(head, &table->header_, &reason)) {
    *error = table->name_ + ": " + reason;
    return nullptr;
  }
  const ParadoxHeader& header = table->header_;
  table->code_page_ = IsKnownCodePage(header.code_page) ? header.code_page
                      : options.code_page               ? options.code_page
                                                        : 1252;
  if (header.code_page && !IsKnownCodePage(header.code_page))
    table->account_.problems.push_back(
        table->name_ + ": code page " + std::to_string(header.code_page) +
        " is not one tolvern knows; text read as code page " + std::to_string(table->code_page_));
  if (header.encrypted && !table->Unlock(options.passwords, error)) return nullptr;
  std::string mb = SiblingFile(disk, path, ".MB");
  if (!mb.empty()) {
    if (std::unique_ptr<ReadableFile> blobs = disk.OpenRead(mb, &reason)) {
      FileWindow::Decipher decipher;
      // The whole .MB file is enciphered, its header block too.
      if (header.encrypted)
        decipher = [check = header.encryption](std::string* s) { DecryptParadoxMb(s, check); };
      table->mb_ = std::make_unique<FileWindow>(std::move(blobs), std::move(decipher));
    } else {
      table->account_.problems.push_back(ExtractFileName(mb) + ": cannot be read: " + reason);
    }
  }
  TableSchema& schema = table->schema_;
  std::string stem = table->name_.substr(0, table->name_.size() - ExtractFileExt(path).size());
  schema.name = IsValidUtf8(stem) ? stem : CodePageToUtf8(table->code_page_, stem);
  for (const ParadoxField& field : header.fields)
    schema.columns.push_back(ParadoxColumn(field, table->code_page_));
  for (int i = 0; i < header.key_fields; ++i) schema.primary_key.push_back(i);
  ApplyParadoxChecks(disk, SiblingFile(disk, path, ".VAL"), header, table->code_page_,
                     &schema.columns, &table->account_.notes);
  schema.indexes = ReadParadoxIndexes(disk, SiblingFiles(disk, path, IsParadoxIndexExt), header,
                                      table->code_page_, &table->account_.notes);
  table->visited_.assign(65536, false);
  return table;
}

bool ParadoxTable::Unlock(const std::vector<std::string>& passwords, std::string* error) {
  std::string why;
  if (FindParadoxPassword(header_.encryption, passwords, code_page_, &why)) return true;
  *error = name_ + ": " + why;
  return false;
}

bool ParadoxTable::LoadBlock(size_t offset) {
  block_offset_ = offset;
  std::string reason;
  if (!file_->View(offset, static_cast<size_t>(header_.block_size), &block_bytes_, &reason)) {
    Problem(offset, "block " + std::to_string(block_) + " cannot be read: " + reason);
    return false;
  }
  // A block cut short keeps only its whole pieces of the cipher: the bytes
  // after them cannot be deciphered.
  if (header_.encrypted) {
    deciphered_.assign(block_bytes_.substr(0, block_bytes_.size() / 256 * 256));
    DecryptParadoxBlock(&deciphered_, header_.encryption, block_);
    block_bytes_ = deciphered_;
  }
  // A file that shrank since it was opened.
  if (block_bytes_.size() >= kBlockHeader) return true;
  Problem(offset, "block " + std::to_string(block_) + " is cut short");
  return false;
}

void ParadoxTable::Problem(size_t offset, const std::string& what) {
  account_.problems.push_back(name_ + ": offset " + std::to_string(offset) + ": " + what);
}

bool ParadoxTable::BlockUsable(int n) {
  size_t offset = header_.header_size + static_cast<size_t>(n - 1) * header_.block_size;
  if (visited_[n]) {
    Problem(offset, "the block chain comes back to block " + std::to_string(n));
    return false;
  }
  visited_[n] = true;
  // An encrypted block's header is read out of its first piece of the cipher.
  size_t needed = header_.encrypted ? 256 : kBlockHeader;
  if (offset + needed > file_->Size()) {
    Problem(offset, "block " + std::to_string(n) + " lies past the end of the file (" +
                        std::to_string(file_->Size()) + " bytes): the file is cut short");
    return false;
  }
  return true;
}

bool ParadoxTable::NextBlock() {
  while (true) {
    int n = block_ == 0 ? header_.first_block : next_block_;
    if (n == 0 || !BlockUsable(n)) {
      if (n != 0) account_.incomplete = true;
      return false;
    }
    block_ = n;
    size_t offset = header_.header_size + static_cast<size_t>(n - 1) * header_.block_size;
    if (!LoadBlock(offset)) {
      account_.incomplete = true;
      return false;
    }
    next_block_ = static_cast<int>(Le16(block_bytes_, 0));
    auto last = static_cast<std::int16_t>(Le16(block_bytes_, 4));
    record_ = 0;
    records_in_block_ = 0;
    if (last < 0) continue;  // an empty block
    if (last % header_.record_size != 0 ||
        kBlockHeader + last + header_.record_size > static_cast<size_t>(header_.block_size)) {
      Problem(offset, "block " + std::to_string(n) + " says its last record is at " +
                          std::to_string(last) + ", which is no record's place; block left out");
      account_.incomplete = true;
      continue;
    }
    records_in_block_ = last / header_.record_size + 1;
    size_t end = kBlockHeader + static_cast<size_t>(records_in_block_) * header_.record_size;
    if (end > block_bytes_.size()) {
      int whole = static_cast<int>((block_bytes_.size() - kBlockHeader) / header_.record_size);
      Problem(offset, "block " + std::to_string(n) +
                          " is cut short: " + std::to_string(records_in_block_ - whole) +
                          " of its " + std::to_string(records_in_block_) + " records are missing");
      account_.rows_damaged += records_in_block_ - whole;
      account_.incomplete = true;
      records_in_block_ = whole;
      next_block_ = 0;
    }
    if (records_in_block_ > 0) return true;
  }
}

void ParadoxTable::DecodeRecord(size_t at, Row* row) {
  row->clear();
  for (const ParadoxField& field : header_.fields) {
    int size = field.type == static_cast<std::uint8_t>(ParadoxType::kBcd) ? 17 : field.size;
    std::string_view bytes(block_bytes_.data() + at, size);
    if (!IsBlobType(field.type)) {
      row->push_back(ParadoxValue(field, bytes, code_page_));
    } else {
      std::string value, error;
      BlobRead read = ReadParadoxBlob(bytes, mb_.get(), &value, &error);
      if (read == BlobRead::kFailed && blob_failures_++ == 0)
        Problem(block_offset_ + at,
                "field " + CodePageToUtf8(code_page_, field.name) + ": " + error);
      if (read != BlobRead::kValue)
        row->push_back(Value::Null());
      else if (field.type == static_cast<std::uint8_t>(ParadoxType::kMemo))
        row->push_back(Value::Text(CodePageToUtf8(code_page_, value)));
      else
        row->push_back(Value::Blob(std::move(value)));
    }
    at += size;
  }
}

void ParadoxTable::EndOfChain() {
  ended_ = true;
  if (blob_failures_ > 1)
    account_.problems.push_back(name_ + ": " + std::to_string(blob_failures_) +
                                " memo or blob values could not be read and are NULL");
  std::uint64_t held = account_.rows_read + account_.rows_damaged;
  if (held != header_.record_count && !account_.incomplete)
    account_.notes.push_back(name_ + ": the header counts " + std::to_string(header_.record_count) +
                             " records, the block chain holds " + std::to_string(held) +
                             "; the chain's records are moved");
}

bool ParadoxTable::Next(Row* row) {
  if (ended_) return false;
  if (record_ >= records_in_block_ && !NextBlock()) {
    EndOfChain();
    return false;
  }
  DecodeRecord(kBlockHeader + static_cast<size_t>(record_) * header_.record_size, row);
  ++record_;
  ++account_.rows_read;
  return true;
}

}  // namespace tolvern::data
