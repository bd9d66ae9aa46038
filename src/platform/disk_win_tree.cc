// Removing folder trees without following a link or junction, and the
// user's private folder for work folders, on Windows.
#include "platform/disk.h"

#ifdef _WIN32

#include <cerrno>
#include <string>

#include "platform/disk_win_io.h"
#include "platform/windows_api.h"

namespace tolvern {

using win::ErrnoFor;
using win::Fail;

namespace {

// The first failure of a removal, naming the entry.
bool NoteFailure(std::string* error, const std::wstring& path, DWORD code) {
  if (error && error->empty()) *error = "\"" + WideToUtf8(path) + "\": " + ErrorText(code);
  errno = ErrnoFor(code);
  return false;
}

// Opens a folder itself (a link or junction is opened as such, never
// followed) and keeps others from renaming or deleting it while the handle
// is open, so that its path names this folder for as long.
HANDLE HoldFolder(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsPlainFolder(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  return ::GetFileInformationByHandle(h, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes one entry that is not a folder to enter: a file (read-only too),
// or a link or junction, of which only the link goes.
bool RemoveEntry(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.c_str());
  return ::DeleteFileW(path.c_str());
}

// Removes the folder path, held open while its entries go, and everything
// below it. A link or junction is never entered.
bool RemoveHeldTree(const std::wstring& path, std::string* error, bool keep_folder = false) {
  HANDLE held = HoldFolder(path);
  if (held == INVALID_HANDLE_VALUE) return NoteFailure(error, path, ::GetLastError());
  if (!IsPlainFolder(held)) {
    ::CloseHandle(held);
    return NoteFailure(error, path, ERROR_DIRECTORY);
  }
  bool ok = true;
  WIN32_FIND_DATAW fd;
  const std::wstring pattern = path + L"\\*";
  HANDLE find =
      ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    ok = NoteFailure(error, path, ::GetLastError());
  } else {
    std::vector<std::pair<std::wstring, DWORD>> entries;
    do {
      std::wstring_view name = fd.cFileName;
      if (name != L"." && name != L"..") entries.emplace_back(name, fd.dwFileAttributes);
    } while (::FindNextFileW(find, &fd));
    const DWORD code = ::GetLastError();
    ::FindClose(find);
    if (code != ERROR_NO_MORE_FILES) ok = NoteFailure(error, path, code);
    for (const auto& [name, attributes] : entries) {
      const std::wstring full = path + L"\\" + name;
      const bool enter =
          (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
      if (enter ? !RemoveHeldTree(full, error) : !RemoveEntry(full, attributes)) {
        if (!enter) NoteFailure(error, full, ::GetLastError());
        ok = false;
      }
    }
  }
  ::CloseHandle(held);
  if (ok && !keep_folder && !::RemoveDirectoryW(path.c_str()))
    ok = NoteFailure(error, path, ::GetLastError());
  return ok;
}

}  // namespace

bool RealDisk::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
  if (error) error->clear();
  if (path.empty()) {
    if (error) *error = "no folder to remove";
    return false;
  }
  std::wstring wide = WidePath(path);
  while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  return RemoveHeldTree(wide, error, keep_folder);
}

bool RealDisk::IsOwnFolder(const std::string& path) {
  if (path.empty()) return false;
  HANDLE h = HoldFolder(WidePath(path));
  if (h == INVALID_HANDLE_VALUE) return false;
  // The user's temporary folder is private to the user (the system's rights
  // on it let no other user in), so what stands in it is the user's own; a
  // link or junction is not taken for a folder. (The owner recorded on a
  // file tells nothing more there, and some systems do not record one.)
  const bool own = IsPlainFolder(h);
  ::CloseHandle(h);
  return own;
}

std::string RealDisk::PrivateTempPath(std::string* error) {
  // The user's temporary folder is the user's alone, and a folder made in it
  // takes its rights; one that stands there already must be a folder itself
  // and the user's.
  const std::string temp = TempPath();
  if (temp.empty()) {
    if (error) *error = "the system names no temporary folder";
    return "";
  }
  const std::string path = temp + (temp.back() == '\\' ? "" : "\\") + "tolvern";
  auto refuse = [&](const std::string& why) {
    if (error) *error = "\"" + path + "\": " + why;
    return std::string();
  };
  const std::wstring wide = WidePath(path);
  if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return refuse(ErrorText(::GetLastError()));
  HANDLE h = HoldFolder(wide);
  if (h == INVALID_HANDLE_VALUE) return refuse(ErrorText(::GetLastError()));
  const bool plain = IsPlainFolder(h);
  ::CloseHandle(h);
  if (!plain) return refuse("is a link or no folder, not a folder of the user's own");
  return path;
}

std::string RealDisk::TempPath() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH + 1) return "";
  std::wstring path(buf, n);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return WideToUtf8(path);
}

}  // namespace tolvern

#endif  // _WIN32
