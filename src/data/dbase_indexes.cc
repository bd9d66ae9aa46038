#include "data/dbase_indexes.h"

#include "base/ascii_text.h"
#include "base/paths.h"
#include "data/byte_reading.h"
#include "platform/code_pages.h"
#include "platform/disk.h"

namespace tolvern::data {
namespace {

// The .MDX header: the tags in use, then the tag table of 32-byte entries
// (the tag header's page of 512 bytes, the name), each tag header holding
// its key format (0x08 descending, 0x40 unique) and the key expression.
constexpr size_t kMdxTagsInUse = 0x1C, kMdxTagTable = 0x220, kMdxEntrySize = 32;
constexpr size_t kMdxPage = 512, kTagFormat = 8, kTagUnique = 23, kTagExpression = 24;
// The .NDX header: the unique flag, then the key expression.
constexpr size_t kNdxUnique = 23, kNdxExpression = 24;
constexpr size_t kExpressionSize = 220;

std::string TextAt(std::string_view file, size_t at, size_t size) {
  std::string_view text = file.substr(at, size);
  return std::string(text.substr(0, text.find('\0')));
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

int ColumnNamed(std::string_view name, const std::vector<Column>& columns) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (SameText(columns[i].name, name)) return static_cast<int>(i);
  return -1;
}

// A part of a key expression: a field, or UPPER(field).
int PartColumn(std::string part, const std::vector<Column>& columns, bool* upper) {
  *upper = false;
  std::string up = UpperCase(part);
  if (up.rfind("UPPER(", 0) == 0 && up.back() == ')') {
    *upper = true;
    part = Trim(std::string_view(part).substr(6, part.size() - 7));
  }
  return ColumnNamed(part, columns);
}

}  // namespace

bool IsDbaseIndexExt(std::string_view ext) {
  return SameText(ext, ".mdx") || SameText(ext, ".ndx") || SameText(ext, ".cdx");
}

bool ReadMdxTags(std::string_view file, std::vector<DbaseTag>* tags, std::string* why) {
  tags->clear();
  if (file.size() < kMdxTagTable || Byte(file, 0) != 2) {
    *why = file.size() < kMdxTagTable
               ? "the file is cut short at " + std::to_string(file.size()) + " bytes"
               : "not a dBASE IV production index (version byte " + std::to_string(Byte(file, 0)) +
                     ")";
    return false;
  }
  size_t count = Le16(file, kMdxTagsInUse);
  if (count > 47 || kMdxTagTable + count * kMdxEntrySize > file.size()) {
    *why = "the tag table of " + std::to_string(count) + " tags runs past the file";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    size_t entry = kMdxTagTable + i * kMdxEntrySize;
    size_t header = static_cast<size_t>(Le32(file, entry)) * kMdxPage;
    DbaseTag tag;
    tag.name = TextAt(file, entry + 4, 11);
    if (header < kMdxTagTable || header + kTagExpression + kExpressionSize > file.size()) {
      *why = "offset " + std::to_string(entry) + ": tag " + tag.name +
             " has its header past the end of the file";
      return false;
    }
    std::uint32_t format = Byte(file, header + kTagFormat);
    tag.descending = (format & 0x08) != 0;
    tag.unique = (format & 0x40) != 0 || Byte(file, header + kTagUnique) != 0;
    tag.expression = Trim(TextAt(file, header + kTagExpression, kExpressionSize));
    tags->push_back(std::move(tag));
  }
  return true;
}

bool ReadNdxTag(std::string_view file, const std::string& name, DbaseTag* tag, std::string* why) {
  if (file.size() < kNdxExpression + kExpressionSize) {
    *why = "the file is cut short at " + std::to_string(file.size()) + " bytes";
    return false;
  }
  *tag = DbaseTag{};
  tag->name = name;
  tag->unique = Byte(file, kNdxUnique) != 0;
  tag->expression = Trim(TextAt(file, kNdxExpression, kExpressionSize));
  return true;
}

bool KeyColumns(std::string_view expression, const std::vector<Column>& columns,
                std::vector<int>* result, std::string* why) {
  result->clear();
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t plus = 0; (plus = expression.find('+', start)) != std::string_view::npos;
       start = plus + 1)
    parts.push_back(Trim(expression.substr(start, plus - start)));
  parts.push_back(Trim(expression.substr(start)));
  for (const std::string& part : parts) {
    bool upper = false;
    int column = PartColumn(part, columns, &upper);
    // "+" joins text; it adds numbers and dates, which no column order
    // gives.
    bool text = column >= 0 && columns[column].source_type == "C";
    if (column < 0 || (parts.size() > 1 && !text) || (upper && !text)) {
      *why = "the key expression \"" + std::string(expression) + "\" is not the table's fields";
      return false;
    }
    result->push_back(column);
  }
  return true;
}

std::vector<TableIndex> ReadDbaseIndexes(Disk& disk, const std::vector<std::string>& files,
                                         const std::vector<Column>& columns, int code_page,
                                         std::vector<std::string>* notes) {
  std::vector<TableIndex> indexes;
  for (const std::string& path : files) {
    const std::string file = ExtractFileName(path);
    const std::string ext = ExtractFileExt(path);
    if (SameText(ext, ".cdx")) {
      notes->push_back(file +
                       ": FoxPro compound indexes are not read; its indexes are not written");
      continue;
    }
    std::string bytes, why;
    std::vector<DbaseTag> tags(1);
    bool read = disk.ReadFile(path, &bytes, &why);
    if (!read)
      why = "cannot be read: " + why;
    else if (SameText(ext, ".mdx"))
      read = ReadMdxTags(bytes, &tags, &why);
    else
      read = ReadNdxTag(bytes, file.substr(0, file.size() - ext.size()), &tags[0], &why);
    if (!read) {
      notes->push_back(file + ": " + why + "; its indexes are not written");
      continue;
    }
    for (const DbaseTag& tag : tags) {
      TableIndex index;
      std::string expression = CodePageToUtf8(code_page, tag.expression);
      if (!KeyColumns(expression, columns, &index.columns, &why)) {
        notes->push_back(file + ": tag " + CodePageToUtf8(code_page, tag.name) + ": " + why +
                         "; the index is not written");
        continue;
      }
      index.name = CodePageToUtf8(code_page, tag.name);
      index.descending.assign(index.columns.size(), tag.descending);
      index.unique = tag.unique;
      indexes.push_back(std::move(index));
    }
  }
  return indexes;
}

}  // namespace tolvern::data
