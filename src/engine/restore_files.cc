// Putting back the originals that a migration run backed up.
#include <filesystem>
#include <unordered_map>

#include "engine/component_replacer.h"
#include "files/file_utils.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

bool IsAbsolute(const std::string& path) {
#ifdef _WIN32
  return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
#else
  return !path.empty() && path[0] == '/';
#endif
}

// The path with its links resolved, or its lexical normal form where it
// does not exist.
std::string Resolved(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  if (ec) p = std::filesystem::path(path).lexically_normal();
  return p.string();
}

// Resolved for many files of few folders: each folder is resolved once,
// and only a file that is itself a link is resolved on its own.
class Resolver {
 public:
  std::string operator()(const std::string& path) {
    const std::string name = ExtractFileName(path);
    std::error_code ec;
    if (name.empty() || name == "." || name == ".." || std::filesystem::is_symlink(path, ec) || ec)
      return Resolved(path);
    auto [at, added] = folders_.try_emplace(ExtractFileDir(path));
    if (added) at->second = PathJoin(Resolved(at->first), "");
    return at->second + name;
  }

 private:
  std::unordered_map<std::string, std::string> folders_;
};

bool IsInside(const std::string& path, const std::string& folder) {
  std::string prefix = PathJoin(folder, "");
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool TComponentReplacer::RestoreFiles(const std::string& undo_file_name) {
  struct ClearOnExit {
    StringList& list;
    ~ClearOnExit() { list.Clear(); }
  } clear{UnitList};
  RestoreError.clear();
  UnitList.SetText(ReadWholeFile(undo_file_name));
  if (UnitList.Count() == 0) {
    RestoreError = undo_file_name + ": the undo file lists no file; nothing was restored";
    return false;
  }
  Disk& disk = CurrentDisk();
  // An undo file may come from anywhere: every line is checked before
  // anything is copied, and each line is read on its own (two originals
  // whose names differ only in letter case keep their own backups).
  const std::string undo_folder = Resolved(ExtractFileDir(undo_file_name));
  std::vector<std::pair<std::string, std::string>> pairs;
  Resolver resolved;
  for (int i = 0; i < UnitList.Count(); ++i) {
    const std::string& line = UnitList[i];
    const std::string original = StringList::NameOf(line);
    const std::string backup = StringList::ValueOf(line);
    auto fail = [&](const std::string& why) {
      RestoreError = undo_file_name + ", line " + std::to_string(i + 1) + " (\"" + line +
                     "\"): " + why + "; nothing was restored";
      return false;
    };
    if (line.find('=') == std::string::npos) return fail("no \"=\" between original and backup");
    if (!IsAbsolute(original) || !IsAbsolute(backup)) return fail("a path is not absolute");
    FileStamp b;
    if (!disk.Stat(backup, &b)) return fail("the backup " + backup + " does not exist");
    if (!b.regular) return fail("the backup " + backup + " is not a regular file");
    if (!IsInside(resolved(backup), undo_folder))
      return fail("the backup " + backup + " lies outside the undo file's folder");
    FileStamp o;
    if (disk.Stat(original, &o) && !o.regular)
      return fail("the original " + original + " is not a regular file");
    pairs.emplace_back(original, backup);
  }
  for (const auto& [original, backup] : pairs) {
    std::string why;
    if (!disk.CopyFile(backup, original, &why)) {
      RestoreError = "cannot copy " + backup + " to " + original + ": " +
                     (why.empty() ? std::string("copy failed") : why);
      return false;
    }
  }
  return true;
}

}  // namespace tolvern
