// Reading back what the data move wrote, through the SQLite library: every
// row of a table as text that tells the stored types apart, and a script run
// into a new database. Only where tolvern is built with SQLite.
#pragma once

#include <string>
#include <vector>

namespace tolvern::testing {

// The rows of a table in insertion order, each value written as its SQLite
// type and value ("i:12", "r:1.5", "t:abc", "b:00FF", "null").
std::vector<std::string> SqliteRows(const std::string& database, const std::string& table);

// The rows a query gives, each as SqliteRows writes them.
std::vector<std::string> SqliteQuery(const std::string& database, const std::string& sql);

// Runs statements against the database; "" on success, else the SQLite
// error.
std::string SqliteExec(const std::string& database, const std::string& sql);

// Runs the script into a new database at path; "" on success, else the
// SQLite error.
std::string RunSqlScript(const std::string& script, const std::string& database);

}  // namespace tolvern::testing
