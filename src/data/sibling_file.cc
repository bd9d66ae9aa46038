#include "data/sibling_file.h"

#include <vector>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "platform/disk.h"

namespace tolvern::data {

std::string SiblingFile(Disk& disk, const std::string& table, const std::string& ext) {
  std::string name = ExtractFileName(table);
  std::string wanted = name.substr(0, name.size() - ExtractFileExt(name).size()) + ext;
  std::string folder = ExtractFileDir(table);
  std::string exact = PathJoin(folder, wanted);
  if (disk.FileExists(exact)) return exact;
  std::vector<DirEntry> entries;
  if (!disk.List(folder, &entries)) return "";
  for (const DirEntry& entry : entries)
    if (!entry.is_dir && SameText(entry.name, wanted)) return PathJoin(folder, entry.name);
  return "";
}

}  // namespace tolvern::data
