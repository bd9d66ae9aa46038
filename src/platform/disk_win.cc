// The real file system on Windows. Paths stay UTF-8 everywhere else and are
// turned into UTF-16 here, for the wide-character functions; "/" and "\" are
// both accepted.
#include "platform/disk.h"

#ifdef _WIN32

#include <algorithm>

#include "platform/windows_api.h"

namespace tolvern {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

// Sets the error text, and the thread's last error for callers that look.
bool Fail(std::string* error, DWORD code) {
  if (error) *error = ErrorText(code);
  ::SetLastError(code);
  return false;
}

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes data into a new (or emptied) file.
bool WriteTo(const std::wstring& path, std::string_view data, std::string* error) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
  DWORD code = ERROR_SUCCESS;
  while (!data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) {
      code = ::GetLastError();
      break;
    }
    data.remove_prefix(written);
  }
  if (!::CloseHandle(h) && code == ERROR_SUCCESS) code = ::GetLastError();
  if (code == ERROR_SUCCESS) return true;
  ::DeleteFileW(path.c_str());
  return Fail(error, code);
}

// Renames from over to. A read-only target is replaced too: the attribute is
// lifted for the rename, and the new file gets the attributes the old one
// had, so a replaced file stays read-only, hidden or whatever it was.
bool RenameOver(const std::wstring& from, const std::wstring& to, std::string* error) {
  DWORD old = Attributes(to);
  bool existed = old != INVALID_FILE_ATTRIBUTES;
  if (IsFolder(old)) {
    if (error) *error = "is a folder";
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (existed && (old & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(to.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD code = ::GetLastError();
    if (existed && (old & FILE_ATTRIBUTE_READONLY)) ::SetFileAttributesW(to.c_str(), old);
    return Fail(error, code);
  }
  if (existed) {
    DWORD keep = old & kSettableAttributes;
    ::SetFileAttributesW(to.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
  }
  return true;
}

// Writes data beside path and renames it into place.
bool WriteViaSibling(const std::string& path, std::string_view data, std::string* error) {
  std::wstring target = WidePath(path);
  std::wstring tmp = target + L".tolvern-new";
  if (!WriteTo(tmp, data, error)) return false;
  if (RenameOver(tmp, target, error)) return true;
  ::DeleteFileW(tmp.c_str());
  return false;
}

}  // namespace

bool RealDisk::CreateDir(const std::string& path, bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return false;
  if (::CreateDirectoryW(WidePath(path).c_str(), nullptr)) return true;
  DWORD code = ::GetLastError();
  if (already_exists) *already_exists = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
  return false;
}

bool RealDisk::RemoveDir(const std::string& path) {
  return !path.empty() && ::RemoveDirectoryW(WidePath(path).c_str());
}

bool RealDisk::DeleteFile(const std::string& path) {
  return !path.empty() && ::DeleteFileW(WidePath(path).c_str());
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to) {
  std::wstring target = WidePath(to);
  std::wstring tmp = target + L".tolvern-new";
  // The copy keeps the source's attributes; a read-only one would stop the
  // copy being replaced on the next run.
  if (!::CopyFileW(WidePath(from).c_str(), tmp.c_str(), FALSE)) return false;
  DWORD a = Attributes(tmp);
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(tmp.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  bool existed = Attributes(target) != INVALID_FILE_ATTRIBUTES;
  if (RenameOver(tmp, target, nullptr)) {
    if (!existed && a != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(target.c_str(), a);
    return true;
  }
  ::DeleteFileW(tmp.c_str());
  return false;
}

bool RealDisk::List(const std::string& folder, std::vector<DirEntry>* entries) {
  entries->clear();
  std::wstring pattern = folder.empty() ? L"*" : WidePath(folder);
  if (!folder.empty()) {
    if (pattern.back() != L'\\' && pattern.back() != L':') pattern += L'\\';
    pattern += L'*';
  }
  WIN32_FIND_DATAW fd;
  HANDLE h =
      ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    std::wstring_view name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    // A link or junction to a folder is not a folder for our walks.
    bool is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                  !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    entries->push_back({WideToUtf8(name), is_dir});
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return true;
}

bool RealDisk::FileExists(const std::string& path) {
  DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(WidePath(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RealDisk::DirExists(const std::string& path) {
  return !path.empty() && IsFolder(Attributes(WidePath(path)));
}

bool RealDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
  data->clear();
  // Others may go on reading, writing or renaming the file meanwhile, as
  // they could while an editor has it open.
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = ::GetLastError();
    if (code == ERROR_ACCESS_DENIED && IsFolder(Attributes(WidePath(path)))) {
      if (error) *error = "is a folder";
      return false;
    }
    return Fail(error, code);
  }
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h, &size) && size.QuadPart > 0)
    data->reserve(static_cast<size_t>(size.QuadPart));
  char buf[1 << 16];
  DWORD code = ERROR_SUCCESS;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h, buf, sizeof buf, &n, nullptr)) {
      code = ::GetLastError();
      break;
    }
    if (n == 0) break;
    data->append(buf, n);
  }
  ::CloseHandle(h);
  return code == ERROR_SUCCESS || Fail(error, code);
}

bool RealDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  return WriteViaSibling(path, data, error);
}

bool RealDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  return WriteTo(WidePath(path), data, error);
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to) {
  std::wstring source = WidePath(from), target = WidePath(to);
  // Attributes belong to the file, not to the name: a read-only original gets
  // a copy, so that lifting its attribute to replace it leaves the backup's.
  DWORD a = Attributes(source);
  if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_READONLY)) {
    ::DeleteFileW(target.c_str());
    if (::CreateHardLinkW(target.c_str(), source.c_str(), nullptr)) return true;
  }
  return CopyFile(from, to);
}

bool RealDisk::MoveFile(const std::string& from, const std::string& to) {
  std::wstring source = WidePath(from), target = WidePath(to);
  if (RenameOver(source, target, nullptr)) return true;
  // Another volume: a copy. Any other failure (the file held open by another
  // program, no right to write) would fail the copy too.
  if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  return CopyFile(from, to);
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
