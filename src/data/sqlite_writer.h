// The SQLite database: the same tables and rows as the script, written
// through the SQLite library with one prepared INSERT per table. The
// database is built under a temporary name beside the target and renamed
// into place when it is whole. Where tolvern is built without SQLite
// (TOLVERN_HAVE_SQLITE unset) there is no such output, and opening one says
// so.
#pragma once

#include <memory>
#include <string>

#include "data/table_sink.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// Whether this build writes SQLite databases.
bool SqliteAvailable();

// The writer of a new database at path; null with the reason in *error.
std::unique_ptr<TableSink> OpenSqliteWriter(Disk& disk, const std::string& path,
                                            std::string* error);

}  // namespace tolvern::data
