#include "data/sibling_file.h"

#include <algorithm>
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

std::vector<std::string> SiblingFiles(Disk& disk, const std::string& table,
                                      bool (*take)(std::string_view ext)) {
  std::string name = ExtractFileName(table);
  std::string stem = name.substr(0, name.size() - ExtractFileExt(name).size());
  std::string folder = ExtractFileDir(table);
  std::vector<DirEntry> entries;
  std::vector<std::string> files;
  if (!disk.List(folder, &entries)) return files;
  for (const DirEntry& entry : entries) {
    std::string ext = ExtractFileExt(entry.name);
    std::string entry_stem = entry.name.substr(0, entry.name.size() - ext.size());
    if (!entry.is_dir && SameText(entry_stem, stem) && take(ext))
      files.push_back(PathJoin(folder, entry.name));
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tolvern::data
