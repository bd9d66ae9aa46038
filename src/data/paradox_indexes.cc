#include "data/paradox_indexes.h"

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/byte_reading.h"
#include "platform/code_pages.h"
#include "platform/disk.h"

namespace tolvern::data {
namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The file types of the composite (or case-insensitive) index files.
bool IsCompositeType(int type) { return type == 6 || type == 8; }

// The NUL-terminated text at *at, before `end`; false when it runs past.
bool ReadText(std::string_view file, size_t end, size_t* at, std::string* text) {
  size_t stop = file.find('\0', *at);
  if (stop == std::string_view::npos || stop >= end) return false;
  *text = std::string(file.substr(*at, stop - *at));
  *at = stop + 1;
  return true;
}

}  // namespace

bool IsParadoxIndexExt(std::string_view ext) {
  if (ext.size() != 4 || ext[0] != '.' || (ext[1] != 'X' && ext[1] != 'x')) return false;
  if (ext[2] == 'G' || ext[2] == 'g') return ext[3] >= '0' && ext[3] <= '9';
  return IsHexDigit(ext[2]) && IsHexDigit(ext[3]);
}

bool ParadoxIndexOf(std::string_view file, const ParadoxHeader& table, int code_page,
                    TableIndex* index, std::string* why) {
  ParadoxHeader header;
  if (!ReadParadoxFileHeader(file, true, &header, why)) return false;
  const size_t count = header.fields.size();
  // The index's key is its own fields, then the table's key fields.
  int own = header.key_fields - table.key_fields;
  if (table.key_fields == 0 || own < 1 || static_cast<size_t>(own) >= count) {
    *why = "its " + std::to_string(header.key_fields) + " key fields do not match the table's " +
           std::to_string(table.key_fields) + ": the indexed fields are unclear";
    return false;
  }
  for (int k = 0; k < table.key_fields; ++k)
    if (!SameText(header.fields[own + k].name, table.fields[k].name)) {
      *why = "its key does not end with the table's key fields: the indexed fields are unclear";
      return false;
    }
  const size_t end = static_cast<size_t>(header.header_size);
  size_t at = header.names_end;
  if (at + 2 * count > end) {
    *why = "the field numbers run past the header";
    return false;
  }
  *index = TableIndex{};
  for (int i = 0; i < own; ++i) {
    // The number and the name must name the same field: an index file left
    // from before the table was restructured names fields that moved.
    const ParadoxField& mine = header.fields[i];
    std::uint32_t number = Le16(file, at + 2 * i);
    int field = static_cast<int>(number & 0x7FFF) - 1;
    if (field < 0 || field >= static_cast<int>(table.fields.size()) ||
        !SameText(table.fields[field].name, mine.name) || table.fields[field].type != mine.type) {
      *why = "its field " + CodePageToUtf8(code_page, mine.name) + " (number " +
             std::to_string(field + 1) +
             ") is not that field of the table: the indexed fields are unclear";
      return false;
    }
    index->columns.push_back(field);
    index->descending.push_back((number & 0x8000) != 0);
  }
  at += 2 * count;
  std::string sort_order, name;
  if (IsCompositeType(header.file_type) &&
      (!ReadText(file, end, &at, &sort_order) || !ReadText(file, end, &at, &name))) {
    *why = "the index's name runs past the header";
    return false;
  }
  if (name.empty())
    for (int i = 0; i < own; ++i) name += (i ? "_" : "") + header.fields[i].name;
  index->name = CodePageToUtf8(code_page, name);
  return true;
}

std::vector<TableIndex> ReadParadoxIndexes(Disk& disk, const std::vector<std::string>& files,
                                           const ParadoxHeader& table, int code_page,
                                           std::vector<std::string>* notes) {
  std::vector<TableIndex> indexes;
  for (const std::string& path : files) {
    std::string bytes, why;
    TableIndex index;
    if (!disk.ReadFile(path, &bytes, &why))
      why = "cannot be read: " + why;
    else if (ParadoxIndexOf(bytes, table, code_page, &index, &why))
      indexes.push_back(std::move(index));
    else
      why = why.rfind("not a Paradox table", 0) == 0 ? "not a Paradox index file: " + why.substr(21)
                                                     : why;
    if (!why.empty())
      notes->push_back(ExtractFileName(path) + ": " + why + "; the index is not written");
  }
  return indexes;
}

}  // namespace tolvern::data
