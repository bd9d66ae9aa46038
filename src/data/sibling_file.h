// The files that belong with a table: the same stem with another extension,
// in the table's folder, in any letter case (ORDERS.MB beside orders.db).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// The path of the file beside `table` named as it is with the extension
// `ext` (".MB") ignoring letter case; "" when there is none.
std::string SiblingFile(Disk& disk, const std::string& table, const std::string& ext);

// The paths of the files beside `table` with its stem (in any letter case)
// whose extension (".XG0") the predicate takes, sorted by name.
std::vector<std::string> SiblingFiles(Disk& disk, const std::string& table,
                                      bool (*take)(std::string_view ext));

}  // namespace tolvern::data
