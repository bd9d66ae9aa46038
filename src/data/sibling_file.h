// The files that belong with a table: the same stem with another extension,
// in the table's folder, in any letter case (ORDERS.MB beside orders.db).
#pragma once

#include <string>

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// The path of the file beside `table` named as it is with the extension
// `ext` (".MB") ignoring letter case; "" when there is none.
std::string SiblingFile(Disk& disk, const std::string& table, const std::string& ext);

}  // namespace tolvern::data
