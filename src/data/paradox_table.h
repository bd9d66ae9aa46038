// A Paradox table (.DB, with its .MB file of memos and blobs) read record by
// record along its block chain. The chain, not the header's record count,
// says which records there are: where the two disagree the chain's records
// are given and the account says so. A block that cannot be read is named
// with its offset and the chain goes on where it can.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/file_window.h"
#include "data/paradox_header.h"
#include "data/table_reader.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

class ParadoxTable : public TableReader {
 public:
  // Opens the table at path; null, with the file and the problem in *error,
  // when it is no Paradox table or cannot be read at all.
  static std::unique_ptr<ParadoxTable> Open(Disk& disk, const std::string& path,
                                            const ReadOptions& options, std::string* error);

  const TableSchema& Schema() const override { return schema_; }
  bool Next(Row* row) override;
  const TableAccount& Account() const override { return account_; }
  int CodePage() const override { return code_page_; }
  const ParadoxHeader& Header() const { return header_; }

 private:
  ParadoxTable() = default;
  // Moves to the chain's next block with records; false at its end.
  bool NextBlock();
  // Whether block number n is one the chain may go to; names the problem.
  bool BlockUsable(int n);
  // Whether one of the passwords opens the encrypted table; names the
  // problem when none does.
  bool Unlock(const std::vector<std::string>& passwords, std::string* error);
  // Reads (and deciphers) the block at offset into block_bytes_; false,
  // naming the problem, when it cannot be read.
  bool LoadBlock(size_t offset);
  // Decodes the record at offset `at` of the current block.
  void DecodeRecord(size_t at, Row* row);
  void Problem(size_t offset, const std::string& what);
  void EndOfChain();

  std::string name_;  // the file's name, for the messages
  std::unique_ptr<FileWindow> file_;
  std::unique_ptr<FileWindow> mb_;  // null when there is none
  ParadoxHeader header_;
  TableSchema schema_;
  TableAccount account_;
  int code_page_ = 1252;
  // The current block (a view of the file's window, or of deciphered_);
  // short when the file is cut short in it.
  std::string_view block_bytes_;
  std::string deciphered_;
  size_t block_offset_ = 0;  // where it lies in the file
  int block_ = 0;            // the current block's number, 0 before the first
  int next_block_ = 0;       // the block the chain goes to after it
  int records_in_block_ = 0;
  int record_ = 0;  // the next record of the current block
  bool ended_ = false;
  std::vector<bool> visited_;
  std::uint64_t blob_failures_ = 0;
};

}  // namespace tolvern::data
