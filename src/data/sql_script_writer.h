// The SQL script: for each table its CREATE TABLE, then its rows as INSERT
// statements in transactions of kRowsPerTransaction rows, then its CREATE
// INDEX statements. It is written to
// a temporary file beside the target and renamed into place by Finish, so
// a run cut short never leaves half a script under the target's name.
#pragma once

#include <memory>
#include <string>

#include "data/table_sink.h"

namespace tolvern {
class Disk;
class AppendFile;
}  // namespace tolvern

namespace tolvern::data {

class SqlScriptWriter : public TableSink {
 public:
  SqlScriptWriter(Disk& disk, std::string path);
  ~SqlScriptWriter() override;
  // Creates the temporary file; false with the reason.
  bool Open(std::string* error);

  bool BeginTable(const TableSchema& schema, std::string* error) override;
  RowResult AddRow(const Row& row, std::string* error) override;
  bool EndTable(std::string* error) override;
  bool Finish(std::string* error) override;

 private:
  // Writes out what is buffered once there is enough of it (or always).
  bool Flush(bool always, std::string* error);

  Disk& disk_;
  std::string path_;
  std::string temp_path_;
  std::unique_ptr<AppendFile> file_;
  std::string buffer_;
  std::string insert_prefix_;
  TableSchema schema_;  // the current table's
  std::uint64_t rows_in_transaction_ = 0;
  bool finished_ = false;
};

}  // namespace tolvern::data
