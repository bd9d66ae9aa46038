#include "data/sqlite_writer.h"

#ifdef TOLVERN_HAVE_SQLITE
#include <sqlite3.h>
#endif

#include "data/output_place.h"
#include "data/sql_text.h"
#include "platform/disk.h"

namespace tolvern::data {

#ifndef TOLVERN_HAVE_SQLITE

bool SqliteAvailable() { return false; }

std::unique_ptr<TableSink> OpenSqliteWriter(Disk&, const std::string& path, std::string* error) {
  *error = path +
           ": this tolvern was built without SQLite and cannot write a SQLite database; write "
           "the SQL script with --sql and run it into the database";
  return nullptr;
}

#else

namespace {

// Rows per transaction of the database being built.
constexpr std::uint64_t kRowsPerCommit = 10 * kRowsPerTransaction;

class SqliteWriter : public TableSink {
 public:
  SqliteWriter(Disk& disk, std::string path)
      : disk_(disk), path_(std::move(path)), part_(PartPath(path_)) {}
  ~SqliteWriter() override {
    Close();
    std::string ignored;
    if (!finished_ && disk_.FileExists(part_)) disk_.DeleteFile(part_, &ignored);
  }

  bool Open(std::string* error) {
    std::string ignored;
    if (disk_.FileExists(part_)) disk_.DeleteFile(part_, &ignored);
    if (sqlite3_open_v2(part_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
      return Failed(error);
    // A new file nobody reads before it is renamed into place: no journal.
    return Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", error);
  }

  bool BeginTable(const TableSchema& schema, std::string* error) override {
    if (!Exec(CreateTableSql(schema), error)) return false;
    schema_ = schema;
    std::string sql = InsertPrefix(schema);
    for (size_t i = 0; i < schema.columns.size(); ++i) sql += i ? ", ?" : "?";
    sql += ")";
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) != SQLITE_OK)
      return Failed(error);
    return true;
  }

  RowResult AddRow(const Row& row, std::string* error) override {
    for (size_t i = 0; i < row.size(); ++i) Bind(static_cast<int>(i + 1), row[i]);
    int step = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    sqlite3_clear_bindings(insert_);
    if (step != SQLITE_DONE) {
      bool constraint = (step & 0xFF) == SQLITE_CONSTRAINT;
      *error = sqlite3_errmsg(db_);
      if (constraint) return RowResult::kRejected;
      *error = path_ + ": " + *error;
      return RowResult::kFailed;
    }
    if (++rows_ % kRowsPerCommit == 0 && !Exec("COMMIT; BEGIN", error)) return RowResult::kFailed;
    return RowResult::kWritten;
  }

  // The indexes are built after the rows: once, not kept up to date row by
  // row.
  bool EndTable(std::string* error) override {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    for (const TableIndex& index : schema_.indexes)
      if (!Exec(CreateIndexSql(schema_, index), error)) return false;
    return true;
  }

  bool Finish(std::string* error) override {
    if (!Exec("COMMIT", error)) return false;
    if (sqlite3_close(db_) != SQLITE_OK) return Failed(error);
    db_ = nullptr;
    finished_ = true;
    return PutInPlace(disk_, part_, path_, error);
  }

 private:
  void Bind(int at, const Value& v) {
    switch (v.kind) {
      case ValueKind::kNull:
        sqlite3_bind_null(insert_, at);
        break;
      case ValueKind::kInteger:
      case ValueKind::kBoolean:
        sqlite3_bind_int64(insert_, at, v.integer);
        break;
      case ValueKind::kReal:
        sqlite3_bind_double(insert_, at, v.real);
        break;
      case ValueKind::kDecimal:
      case ValueKind::kText: {
        std::string_view text = v.kind == ValueKind::kText ? StoredText(v.text) : v.text;
        sqlite3_bind_text(insert_, at, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        break;
      }
      case ValueKind::kBlob:
        sqlite3_bind_blob(insert_, at, v.text.data(), static_cast<int>(v.text.size()),
                          SQLITE_STATIC);
        break;
    }
  }

  bool Exec(const std::string& sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = part_ + ": " + (message ? message : "SQLite failed");
    sqlite3_free(message);
    return false;
  }

  bool Failed(std::string* error) {
    *error = part_ + ": " + (db_ ? sqlite3_errmsg(db_) : "cannot be opened");
    return false;
  }

  void Close() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
  }

  Disk& disk_;
  std::string path_;
  std::string part_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  TableSchema schema_;  // the current table's
  std::uint64_t rows_ = 0;
  bool finished_ = false;
};

}  // namespace

bool SqliteAvailable() { return true; }

std::unique_ptr<TableSink> OpenSqliteWriter(Disk& disk, const std::string& path,
                                            std::string* error) {
  auto writer = std::make_unique<SqliteWriter>(disk, path);
  if (!writer->Open(error)) return nullptr;
  return writer;
}

#endif

}  // namespace tolvern::data
