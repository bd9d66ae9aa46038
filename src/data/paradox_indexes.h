// The secondary indexes of a Paradox table, read from the index files
// beside its .DB. Each index is a pair: an .Xnn or .XGn file, which has a
// table's header and holds the indexed fields, then the table's key fields,
// then a block number; and the .Ynn or .YGn file that indexes it, which is
// not needed here. After the field names the header has a number per
// field: for an indexed field its number in the table, the top bit set
// where the field is ordered descending. The number, the name and the type
// must all agree with the table's field (an index file left from before
// the table was restructured does not), and the key must end with the
// table's key fields. An .XGn (composite or case-insensitive) also names
// the index, after its sort order's name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/field_value.h"
#include "data/paradox_header.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// Whether an extension (".X03", ".xg1") is a secondary index file's.
bool IsParadoxIndexExt(std::string_view ext);

// The indexes of the files; a file that cannot be read, or whose fields
// are unclear, is left out with a note (naming the file) in *notes.
std::vector<TableIndex> ReadParadoxIndexes(Disk& disk, const std::vector<std::string>& files,
                                           const ParadoxHeader& table, int code_page,
                                           std::vector<std::string>* notes);

// The index in one index file's bytes; false with the reason in *why.
bool ParadoxIndexOf(std::string_view file, const ParadoxHeader& table, int code_page,
                    TableIndex* index, std::string* why);

}  // namespace tolvern::data
