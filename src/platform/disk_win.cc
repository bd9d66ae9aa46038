// The real file system on Windows. Paths stay UTF-8 everywhere else and are
// turned into UTF-16 here, for the wide-character functions; "/" and "\" are
// both accepted.
#include "platform/disk.h"

#ifdef _WIN32

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "platform/disk_win_io.h"
#include "platform/windows_api.h"

// After windows.h: the security functions that tell a folder's owner.

namespace tolvern {

// The C library's number for a Windows error, for callers that tell the
// system's reason by errno as they do elsewhere.
int win::ErrnoFor(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

// Sets the error text, errno, and the thread's last error for callers that
// look.
bool win::Fail(std::string* error, DWORD code) {
  if (error) *error = ErrorText(code);
  errno = ErrnoFor(code);
  ::SetLastError(code);
  return false;
}

namespace {

using win::ErrnoFor;
using win::Fail;

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes data into a file opened with the disposition (CREATE_ALWAYS,
// CREATE_NEW). *opened tells whether the file was opened (and so, with
// CREATE_NEW, created by this call); a file of ours left half written is
// deleted.
using Syncer = std::function<bool(HANDLE handle, std::string* error)>;

bool WriteTo(const std::wstring& path, DWORD disposition, std::string_view data, std::string* error,
             bool* opened = nullptr, const Syncer& sync = {}) {
  if (opened) *opened = false;
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
  if (opened) *opened = true;
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
  // What was written is made durable before anything relies on it.
  std::string sync_error;
  bool synced = code != ERROR_SUCCESS || !sync || sync(h, &sync_error);
  if (!synced) code = ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_WRITE_FAULT;
  if (!::CloseHandle(h) && code == ERROR_SUCCESS) code = ::GetLastError();
  if (code == ERROR_SUCCESS) return true;
  ::DeleteFileW(path.c_str());
  if (!synced) {
    if (error) *error = sync_error;
    errno = ErrnoFor(code);
    return false;
  }
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
  // Write-through: the rename is on the disk when the call returns.
  if (!::MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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

// The file a link at path names (the path itself when it is no link).
std::wstring Resolved(const std::wstring& path) {
  DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return path;
  wchar_t buf[32768];
  DWORD n = ::GetFinalPathNameByHandleW(h, buf, 32768, FILE_NAME_NORMALIZED);
  ::CloseHandle(h);
  return n > 0 && n < 32768 ? std::wstring(buf, n) : path;
}

// Writes data to a temporary sibling of path and renames it into place. A
// link is followed, so the file it names is replaced and the link stays. The
// sibling is created new: one already standing there (left by a crash, or
// planted) is refused, never written through.
bool WriteViaSibling(const std::string& path, std::string_view data, std::string* error,
                     const Syncer& sync) {
  std::wstring target = Resolved(WidePath(path));
  if (IsFolder(Attributes(target))) {
    if (error) *error = "is a folder";
    return false;
  }
  std::wstring tmp = target + L".tolvern-new";
  bool created = false;
  if (!WriteTo(tmp, CREATE_NEW, data, error, &created, sync)) {
    if (!created && ::GetLastError() == ERROR_FILE_EXISTS && error)
      *error = "\"" + WideToUtf8(tmp) + "\" is in the way";
    return false;
  }
  if (RenameOver(tmp, target, error)) return true;
  ::DeleteFileW(tmp.c_str());
  return false;
}

}  // namespace

bool RealDisk::CreateDir(const std::string& path, bool* already_exists, std::string* error) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return Fail(error, ERROR_PATH_NOT_FOUND);
  if (::CreateDirectoryW(WidePath(path).c_str(), nullptr)) return true;
  DWORD code = ::GetLastError();
  if (already_exists) *already_exists = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
  // A file where the parent folder should be: "not a folder", as elsewhere.
  std::wstring wide = WidePath(path);
  size_t slash = wide.find_last_of(L'\\');
  if (code == ERROR_PATH_NOT_FOUND && slash != std::wstring::npos) {
    DWORD parent = Attributes(wide.substr(0, slash));
    if (parent != INVALID_FILE_ATTRIBUTES && !(parent & FILE_ATTRIBUTE_DIRECTORY))
      code = ERROR_DIRECTORY;
  }
  // The reason in the C library's words for it ("Not a directory"), as the
  // run has always named a folder it could not make.
  Fail(nullptr, code);
  if (error) *error = std::strerror(ErrnoFor(code));
  return false;
}

bool RealDisk::CreatePrivateDir(const std::string& path, bool* already_exists, std::string* error) {
  // A new folder takes the rights of the one it is made in, and the user's
  // temporary folder is the user's alone.
  return CreateDir(path, already_exists, error);
}

bool RealDisk::RemoveDir(const std::string& path) {
  if (path.empty()) return false;
  return ::RemoveDirectoryW(WidePath(path).c_str()) || Fail(nullptr, ::GetLastError());
}

bool RealDisk::DeleteFile(const std::string& path, std::string* error) {
  if (path.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
  return ::DeleteFileW(WidePath(path).c_str()) || Fail(error, ::GetLastError());
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  std::wstring target = WidePath(to);
  bool existed = Attributes(target) != INVALID_FILE_ATTRIBUTES;
  if (!WriteViaSibling(to, data, error,
                       [this, &to](HANDLE h, std::string* e) { return SyncFile(h, to, e); }))
    return false;
  // A new copy gets the attributes of its source; a replaced file keeps its own.
  DWORD a = Attributes(WidePath(from));
  if (!existed && a != INVALID_FILE_ATTRIBUTES && (a & kSettableAttributes))
    ::SetFileAttributesW(target.c_str(), a & kSettableAttributes);
  return true;
}

bool RealDisk::List(const std::string& folder, std::vector<DirEntry>* entries, std::string* error) {
  entries->clear();
  std::wstring pattern = folder.empty() ? L"*" : WidePath(folder);
  if (!folder.empty()) {
    if (pattern.back() != L'\\' && pattern.back() != L':') pattern += L'\\';
    pattern += L'*';
  }
  WIN32_FIND_DATAW fd;
  HANDLE h =
      ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
  do {
    std::wstring_view name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    // A link or junction to a folder is not a folder for our walks.
    bool is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                  !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    entries->push_back({WideToUtf8(name), is_dir});
  } while (::FindNextFileW(h, &fd));
  // Only "no more files" is the end; any other failure ends the listing
  // part way and is one.
  const DWORD code = ::GetLastError();
  ::FindClose(h);
  return code == ERROR_NO_MORE_FILES || Fail(error, code);
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
  std::wstring wide = WidePath(path);
  if (IsFolder(Attributes(wide))) {
    if (error) *error = "is a folder";
    return false;
  }
  // Others may go on reading, writing or renaming the file meanwhile, as
  // they could while an editor has it open.
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
  auto refuse = [&](const char* why) {
    ::CloseHandle(h);
    data->clear();
    if (error) *error = why;
    return false;
  };
  auto failed = [&](DWORD code) {
    ::CloseHandle(h);
    data->clear();
    return Fail(error, code);
  };
  // A device (CON, NUL, a serial port) or a pipe is no file to migrate.
  const DWORD type = ::GetFileType(h);
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return failed(::GetLastError());
  if (type != FILE_TYPE_DISK) return refuse("not a regular file");
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h, &size)) return failed(::GetLastError());
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxFileSize)
    return refuse("larger than the limit of 256 MB");
  if (size.QuadPart > 0) data->reserve(static_cast<size_t>(size.QuadPart));
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
    // A file that grows while it is read is bounded all the same.
    if (data->size() > kMaxFileSize) return refuse("larger than the limit of 256 MB");
  }
  ::CloseHandle(h);
  return code == ERROR_SUCCESS || Fail(error, code);
}

bool RealDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  return WriteViaSibling(path, data, error,
                         [this, &path](HANDLE h, std::string* e) { return SyncFile(h, path, e); });
}

bool RealDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  // Not made durable here: a work file's bytes are when it takes an
  // original's place (MoveFile, or the Sync before it), and only then do
  // they matter.
  if (!WriteTo(WidePath(path), CREATE_ALWAYS, data, error)) return false;
  Deferred(path);
  return true;
}

bool RealDisk::Stat(const std::string& path, FileStamp* stamp, std::string* error) {
  *stamp = FileStamp{};
  // A path that names nothing leaves *error empty.
  auto failed = [error](DWORD code) {
    Fail(error, code);
    if (error && ErrnoFor(code) == ENOENT) error->clear();
    return false;
  };
  if (path.empty()) return failed(ERROR_FILE_NOT_FOUND);
  // Opened for no access at all (links followed), which no other program's
  // sharing mode refuses; folders need the backup flag to be opened.
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed(::GetLastError());
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = ::GetFileInformationByHandle(h, &info);
  const DWORD failure = ::GetLastError();
  bool disk_file = ::GetFileType(h) == FILE_TYPE_DISK;
  ::CloseHandle(h);
  if (!ok) return failed(failure);
  stamp->exists = true;
  stamp->dir = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  stamp->regular = !stamp->dir && disk_file;
  stamp->size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  const std::uint64_t ticks = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                              info.ftLastWriteTime.dwLowDateTime;
  stamp->mtime_ns = static_cast<std::int64_t>(ticks * 100);
  stamp->dev = info.dwVolumeSerialNumber;
  stamp->ino = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  stamp->read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  stamp->links = info.nNumberOfLinks;
  return true;
}

bool RealDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                              bool* already_exists) {
  if (already_exists) *already_exists = false;
  bool created = false;
  if (batch_->Deferred()) {
    if (WriteTo(WidePath(path), CREATE_NEW, data, error, &created)) {
      Deferred(path);
      return true;
    }
  } else if (WriteTo(WidePath(path), CREATE_NEW, data, error, &created,
                     [this, &path](HANDLE h, std::string* e) { return SyncFile(h, path, e); })) {
    return true;
  }
  if (!created && ::GetLastError() == ERROR_FILE_EXISTS && already_exists) *already_exists = true;
  return false;
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                          bool* already_exists) {
  if (already_exists) *already_exists = false;
  std::wstring source = Resolved(WidePath(from)), target = WidePath(to);
  // Attributes belong to the file, not to the name: a read-only original gets
  // a copy, so that lifting its attribute to replace it leaves the backup's.
  DWORD a = Attributes(source);
  if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_READONLY)) {
    // A link holds the original's bytes, on the disk already; its name is
    // logged by the file system. Nothing is flushed for it at the barrier,
    // where the original may be held open by an editor that shares it for
    // reading only.
    if (::CreateHardLinkW(target.c_str(), source.c_str(), nullptr)) return true;
    DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
      if (already_exists) *already_exists = true;
      return Fail(error, code);
    }
  }
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  if (!WriteExclusive(to, data, error, already_exists)) return false;
  if (a != INVALID_FILE_ATTRIBUTES && (a & kSettableAttributes))
    ::SetFileAttributesW(target.c_str(), a & kSettableAttributes);
  return true;
}

bool RealDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  // What `from` holds is made durable before it takes the original's place
  // (by the Sync before the move, where syncs are deferred); when that
  // fails, the original stays as it is.
  if (!batch_->Deferred()) {
    HANDLE h = ::CreateFileW(WidePath(from).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
    const bool synced = SyncFile(h, to, error);
    ::CloseHandle(h);
    if (!synced) return false;
  }
  // The rename is written through, and what it moves was flushed at the
  // barrier before it: nothing is left to flush at the next.
  if (RenameOver(WidePath(from), Resolved(WidePath(to)), error)) return true;
  // Another volume: a copy. Any other failure (the file held open by another
  // program, no right to write) would fail the copy too.
  if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  return CopyFile(from, to, error);
}

bool RealDisk::CanReplace(const std::string& path, std::string* error) {
  // A rename over a file opens it for deletion: that is refused when another
  // program holds it without FILE_SHARE_DELETE (an editor sharing it for
  // reading only, or not at all). Opening it so, with every sharing granted,
  // asks the same question without changing anything.
  HANDLE h = ::CreateFileW(Resolved(WidePath(path)).c_str(), DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return true;
  }
  const DWORD code = ::GetLastError();
  // Other failures (a read-only file, no right to delete) the rename deals
  // with or names itself.
  if (code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) return true;
  return Fail(error, code);
}

bool RealDisk::SyncFile(FileHandle handle, const std::string&, std::string* error) {
  return ::FlushFileBuffers(static_cast<HANDLE>(handle)) || Fail(error, ::GetLastError());
}

}  // namespace tolvern

#endif  // _WIN32
