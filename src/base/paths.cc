#include "base/paths.h"

namespace tolvern {

namespace {

bool IsDelim(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

}  // namespace

// A folder separator: on Windows "\" and "/" alike.
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

// The length of the part of path that names no folder to create: "C:\" (a
// drive root) or "\\server\share\" (a network share) on Windows, the leading
// "/" elsewhere; 0 when path has none.
size_t RootLength(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // Server and share: the two parts after the leading pair.
    size_t i = 2;
    for (int part = 0; part < 2; ++part) {
      while (i < path.size() && !IsSeparator(path[i])) ++i;
      if (i < path.size()) ++i;
    }
    return i;
  }
  return 0;
#else
  return !path.empty() && path[0] == '/' ? 1 : 0;
#endif
}

bool IsBareRoot(const std::string& path) {
  size_t root = RootLength(path);
#ifdef _WIN32
  return root > 0 && path.size() == root && !(root == 2 && path[1] == ':');
#else
  return root > 0 && path.size() == root;
#endif
}

std::string PathJoin(const std::string& folder, const std::string& name) {
  std::string result = folder;
  if (!result.empty() && !IsSeparator(result.back())) result += kPathDelim;
  if (name.empty()) return result;
  if (name.size() >= 2 && IsSeparator(name[0]))
    result.append(name, 1);
  else
    result += name;
  return result;
}

std::string MakeBackupName(const std::string& file_name) {
  std::string ext = ExtractFileExt(file_name);
  if (ext.size() < 2) return ChangeFileExt(file_name, ".~");
  return ChangeFileExt(file_name, ".~" + ext.substr(1));
}

std::string ExtractFilePath(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsDelim(path[i - 1])) --i;
  return path.substr(0, i);
}

std::string ExtractFileDir(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  if (dir.size() > 1 && IsSeparator(dir.back()) && !IsBareRoot(dir)) dir.pop_back();
  return dir;
}

std::string ExtractFileName(const std::string& path) {
  return path.substr(ExtractFilePath(path).size());
}

std::string ExtractFileExt(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsDelim(path[i - 1])) {
    if (path[i - 1] == '.') return path.substr(i - 1);
    --i;
  }
  return "";
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  return path.substr(0, path.size() - ExtractFileExt(path).size()) + ext;
}

std::string NativeSeparators(std::string path) {
  for (char& c : path)
    if (c == '\\' || c == '/') c = kPathDelim;
  return path;
}

std::string ExpandPath(const std::string& path, const std::string& base_dir) {
  if (path.empty()) return base_dir;
#ifdef _WIN32
  bool absolute = IsSeparator(path[0]) || (path.size() > 1 && path[1] == ':');
#else
  bool absolute = path[0] == '/';
#endif
  return absolute ? path : PathJoin(base_dir, path);
}

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
  return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
#else
  return !path.empty() && path[0] == '/';
#endif
}

bool StepsUpAFolder(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (path.compare(start, i - start, "..") == 0 && i - start == 2) return true;
    start = i + 1;
  }
  return false;
}

}  // namespace tolvern
