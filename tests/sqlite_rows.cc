#include "sqlite_rows.h"

#ifdef TOLVERN_HAVE_SQLITE
#include <sqlite3.h>

#include <cstdio>

#include "data/sql_text.h"

namespace tolvern::testing {
namespace {

std::string ValueText(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
      return "i:" + std::to_string(sqlite3_column_int64(s, i));
    case SQLITE_FLOAT: {
      char text[40];
      std::snprintf(text, sizeof text, "r:%.17g", sqlite3_column_double(s, i));
      return text;
    }
    case SQLITE_TEXT:
      return "t:" + std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                sqlite3_column_bytes(s, i));
    case SQLITE_BLOB: {
      std::string hex = "b:";
      auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
      for (int k = 0; k < sqlite3_column_bytes(s, i); ++k) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", p[k]);
        hex += two;
      }
      return hex;
    }
    default:
      return "null";
  }
}

}  // namespace

std::vector<std::string> SqliteRows(const std::string& database, const std::string& table) {
  return SqliteQuery(database, "SELECT * FROM " + data::QuotedName(table) + " ORDER BY rowid");
}

std::string SqliteExec(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    result = "cannot open " + database;
  } else {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
      result = message ? message : "failed";
    sqlite3_free(message);
  }
  sqlite3_close(db);
  return result;
}

std::vector<std::string> SqliteQuery(const std::string& database, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return {"cannot open " + database};
  }
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
  } else {
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(s); ++i) row += (i ? " | " : "") + ValueText(s, i);
      rows.push_back(row);
    }
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

std::string RunSqlScript(const std::string& script, const std::string& database) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open(database.c_str(), &db) != SQLITE_OK) {
    result = "cannot open " + database;
  } else {
    char* message = nullptr;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
      result = message ? message : "failed";
    sqlite3_free(message);
  }
  sqlite3_close(db);
  return result;
}

}  // namespace tolvern::testing

#else

namespace tolvern::testing {

std::vector<std::string> SqliteRows(const std::string&, const std::string&) { return {}; }
std::vector<std::string> SqliteQuery(const std::string&, const std::string&) { return {}; }
std::string SqliteExec(const std::string&, const std::string&) { return "no SQLite"; }
std::string RunSqlScript(const std::string&, const std::string&) { return "no SQLite"; }

}  // namespace tolvern::testing

#endif
