#include "engine/undo_restore.h"

#include <filesystem>
#include <unordered_map>

#include "base/errors.h"
#include "base/paths.h"
#include "base/string_list.h"

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

bool UndoRestore::Restore(const std::string& undo_file_name) {
  error_.clear();
  std::string text, why;
  if (!disk_.ReadFile(undo_file_name, &text, &why))
    throw EFOpenError("Cannot open file \"" + undo_file_name + "\". " + why);
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!CheckLines(undo_file_name, text, &pairs)) return false;
  for (const auto& [original, backup] : pairs) {
    if (!disk_.CopyFile(backup, original, &why)) {
      error_ = "cannot copy " + backup + " to " + original + ": " +
               (why.empty() ? std::string("copy failed") : why);
      return false;
    }
  }
  return true;
}

bool UndoRestore::CheckLines(const std::string& undo_file_name, const std::string& text,
                             std::vector<std::pair<std::string, std::string>>* pairs) {
  StringList lines;
  lines.SetText(text);
  if (lines.Count() == 0) {
    error_ = undo_file_name + ": the undo file lists no file; nothing was restored";
    return false;
  }
  // Each line is read on its own: two originals whose names differ only in
  // letter case keep their own backups.
  const std::string undo_folder = Resolved(ExtractFileDir(undo_file_name));
  Resolver resolved;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    const std::string original = StringList::NameOf(line);
    const std::string backup = StringList::ValueOf(line);
    auto fail = [&](const std::string& why) {
      error_ = undo_file_name + ", line " + std::to_string(i + 1) + " (\"" + line + "\"): " + why +
               "; nothing was restored";
      return false;
    };
    if (line.find('=') == std::string::npos) return fail("no \"=\" between original and backup");
    if (!IsAbsolute(original) || !IsAbsolute(backup)) return fail("a path is not absolute");
    FileStamp b;
    if (!disk_.Stat(backup, &b)) return fail("the backup " + backup + " does not exist");
    if (!b.regular) return fail("the backup " + backup + " is not a regular file");
    if (!IsInside(resolved(backup), undo_folder))
      return fail("the backup " + backup + " lies outside the undo file's folder");
    FileStamp o;
    if (disk_.Stat(original, &o) && !o.regular)
      return fail("the original " + original + " is not a regular file");
    pairs->emplace_back(original, backup);
  }
  return true;
}

}  // namespace tolvern
