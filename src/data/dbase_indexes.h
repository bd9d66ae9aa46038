// The indexes of a dBASE table, read from the index files beside its .DBF
// as the public descriptions of dBASE III and IV give them: the production
// index (.MDX, up to 47 tags, each with its name, key expression and flags)
// and single indexes (.NDX, one key expression) named as the table. A key
// expression becomes an index only when it names the table's fields: a
// field, UPPER(field), or character fields joined with "+". Any other
// expression (STR(N)+C, DTOS(D), a FOR condition's meaning) is noted with
// its file, not guessed. FoxPro's compound indexes (.CDX) are not read and
// are noted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/field_value.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// A tag of an index file as the file holds it.
struct DbaseTag {
  std::string name;
  std::string expression;  // in the table's code page
  bool unique = false;
  bool descending = false;
};

// Whether an extension (".MDX", ".ndx", ".CDX") is an index file's.
bool IsDbaseIndexExt(std::string_view ext);

// The tags of an .MDX file's bytes; false with the reason in *why.
bool ReadMdxTags(std::string_view file, std::vector<DbaseTag>* tags, std::string* why);
// The one key of an .NDX file's bytes, named `name`; false with the reason.
bool ReadNdxTag(std::string_view file, const std::string& name, DbaseTag* tag, std::string* why);

// The columns a key expression orders by; false with the reason.
bool KeyColumns(std::string_view expression, const std::vector<Column>& columns,
                std::vector<int>* result, std::string* why);

// The indexes of the files; what cannot be read or written is noted in
// *notes, naming the file (and the tag and its expression).
std::vector<TableIndex> ReadDbaseIndexes(Disk& disk, const std::vector<std::string>& files,
                                         const std::vector<Column>& columns, int code_page,
                                         std::vector<std::string>* notes);

}  // namespace tolvern::data
