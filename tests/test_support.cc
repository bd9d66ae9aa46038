#include "test_support.h"

#include <atomic>
#include <cerrno>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"

namespace fs = std::filesystem;

namespace tolvern::testing {

fs::path NativePath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const fs::path& path) {
  std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

namespace {
[[maybe_unused]] std::string ExtractName(const std::string& path) {
  return Utf8Path(NativePath(path).filename());
}
}  // namespace

#ifdef _WIN32
namespace {

// The variable the system's temporary folder is taken from.
constexpr const wchar_t* kTempVariable = L"TMP";

std::string MakeUniqueFolder(const std::string& prefix) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string candidate = prefix + std::to_string(::GetCurrentProcessId()) + "-" +
                            std::to_string(::GetTickCount64() % 100000) + "-" +
                            std::to_string(counter++);
    if (::CreateDirectoryW(WidePath(candidate).c_str(), nullptr)) return candidate;
  }
  throw std::runtime_error("cannot create a scratch folder below " + prefix);
}

}  // namespace

ScratchDir::ScratchDir() {
  path_ = MakeUniqueFolder(Utf8Path(fs::temp_directory_path() / "tolvern-test-"));
  fs::create_directories(NativePath(temp_dir()));
  wchar_t old[32768];
  DWORD n = ::GetEnvironmentVariableW(kTempVariable, old, 32768);
  if (n > 0 && n < 32768) {
    had_tmpdir_ = true;
    old_tmpdir_ = WideToUtf8(old);
  }
  ::SetEnvironmentVariableW(kTempVariable, WidePath(temp_dir()).c_str());
}

ScratchDir::~ScratchDir() {
  ::SetEnvironmentVariableW(kTempVariable, had_tmpdir_ ? WidePath(old_tmpdir_).c_str() : nullptr);
  // The registry key of the test, when it used one.
  ::RegDeleteTreeW(HKEY_CURRENT_USER, Utf8ToWide(RegistryKey()).c_str());
  std::error_code ec;
  fs::remove_all(NativePath(path_), ec);
}

std::string ScratchDir::RegistryKey() const { return "Software\\" + ExtractName(path_); }
#else
ScratchDir::ScratchDir() {
  std::string tmpl = (fs::temp_directory_path() / "tolvern-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
  fs::create_directories(temp_dir());
  if (const char* t = std::getenv("TMPDIR")) {
    had_tmpdir_ = true;
    old_tmpdir_ = t;
  }
  setenv("TMPDIR", temp_dir().c_str(), 1);
}

ScratchDir::~ScratchDir() {
  if (had_tmpdir_)
    setenv("TMPDIR", old_tmpdir_.c_str(), 1);
  else
    unsetenv("TMPDIR");
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ScratchDir::RegistryKey() const { return "Software\\Veltrane"; }
#endif

std::string ScratchDir::temp_dir() const { return *this / ".tmp"; }

std::vector<std::string> ScratchDir::LeftInTemp() const {
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(NativePath(temp_dir()))) {
    if (e.path().filename().string().starts_with("tolvern") && e.is_directory() &&
        !e.is_symlink()) {
      for (const auto& w : fs::directory_iterator(e.path())) left.push_back(Utf8Path(w.path()));
    } else {
      left.push_back(Utf8Path(e.path()));
    }
  }
  return left;
}

std::string ScratchDir::operator/(const std::string& rel) const {
  std::string full = path_ + kSeparator + rel;
#ifdef _WIN32
  for (char& c : full)
    if (c == '/') c = '\\';
#endif
  return full;
}

std::string ScratchDir::Write(const std::string& rel, const std::string& bytes) const {
  std::string full = *this / rel;
  fs::create_directories(NativePath(full).parent_path());
  WriteFileBytes(full, bytes);
  return full;
}

std::string ScratchDir::Read(const std::string& rel) const { return ReadFileBytes(*this / rel); }

std::string CopyExample(const ScratchDir& dir, const std::string& name) {
  std::string target = dir / name;
  fs::copy(NativePath(ExampleDir()), NativePath(target), fs::copy_options::recursive);
  return target;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool CanCreateSymlinks(const ScratchDir& dir) {
  std::error_code ec;
  fs::path link = NativePath(dir / ".symlink-probe");
  fs::create_symlink(NativePath(dir.path()), link, ec);
  if (ec) return false;
  fs::remove(link, ec);
  return true;
}

void UseFolderRun(TReplaceOptions& options, const std::string& folder) {
  options.Dest = RunSource::kFolder;
  options.Directory = folder;
  options.BackupDir = folder + kSeparator + "RBackup";
  options.IncludeSubDirs = true;
  options.MakeBackup = true;
  options.WriteLog = true;
  options.ViewLog = false;
}

std::string LogWithoutTimestamp(const std::string& log) {
  // A log whose second line is no time stamp comes back whole, so that a
  // comparison with the expected log fails on it.
  const size_t title = log.find("\r\n\r\n");
  if (title == std::string::npos || log.compare(title + 4, 12, "Created at: ") != 0) return log;
  const size_t stamp_end = log.find("\r\n\r\n", title + 4);
  if (stamp_end == std::string::npos) return log;
  return log.substr(0, title + 4) + log.substr(stamp_end + 4);
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(NativePath(folder))) {
    if (!e.is_regular_file()) continue;
    std::u8string generic = fs::relative(e.path(), NativePath(folder)).generic_u8string();
    std::string rel(generic.begin(), generic.end());
    if (rel.rfind(".tmp", 0) == 0) continue;
    files[rel] = ReadFileBytes(Utf8Path(e.path()));
  }
  return files;
}

bool FaultyDisk::Stops(const char* op, const std::string& path, std::string* error) {
  if (!stopped_ && !(stop_at && stop_at(op, path))) return false;
  stopped_ = true;
  errno = EIO;
  if (error) *error = "the process was stopped";
  return true;
}

bool FaultyDisk::Sync(std::string* error) {
  if (Fails("barrier", "", error)) return false;
  return RealDisk::Sync(error);
}

bool FaultyDisk::DeleteFile(const std::string& path, std::string* error) {
  return !Stops("delete", path, error) && RealDisk::DeleteFile(path, error);
}

bool FaultyDisk::RemoveDir(const std::string& path) {
  return !Stops("remove-dir", path, nullptr) && RealDisk::RemoveDir(path);
}

bool FaultyDisk::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
  return !Stops("remove-tree", path, error) && RealDisk::RemoveTree(path, error, keep_folder);
}

std::unique_ptr<DiskLock> FaultyDisk::TryLock(const std::string& path, std::string* error,
                                              bool* held_elsewhere) {
  if (Stops("lock", path, error)) {
    if (held_elsewhere) *held_elsewhere = false;
    return nullptr;
  }
  return RealDisk::TryLock(path, error, held_elsewhere);
}

std::unique_ptr<AppendFile> FaultyDisk::OpenAppend(const std::string& path, std::string* error) {
  if (Stops("open-append", path, error)) return nullptr;
  return RealDisk::OpenAppend(path, error);
}

bool FaultyDisk::Fails(const char* op, const std::string& path, std::string* error) {
  if (Stops(op, path, error)) return true;
  if (on_op) on_op(op, path);
  if (!fail_op || !fail_op(op, path)) return false;
  errno = fail_errno;
  if (error) *error = std::string("injected ") + op + " failure";
  return true;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

RunOutcome RunOnDisk(Disk* disk) {
  RunsOn scoped(*BdeReplacer, disk);
  RunOutcome o;
  try {
    o.returned = BdeReplacer->Execute();
  } catch (const Exception& e) {
    o.threw = true;
    o.messages = std::string(e.what()) + " " + e.Detail();
  } catch (const std::exception& e) {
    o.threw = true;
    o.messages = e.what();
  }
  for (const FileReport& f : BdeReplacer->Report.files)
    if (f.outcome == FileOutcome::kSkipped) o.messages += "\n" + f.path + ": " + f.note;
  o.not_migrated = BdeReplacer->Report.FilesNotMigrated();
  return o;
}

bool FaultyDisk::Stat(const std::string& path, FileStamp* stamp, std::string* error) {
  if (Fails("stat", path, error)) {
    *stamp = FileStamp{};
    return false;
  }
  return RealDisk::Stat(path, stamp, error);
}

bool FaultyDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  if ((fail_copy && fail_copy(from, to)) || Fails("copy", to, error)) return false;
  return RealDisk::CopyFile(from, to, error);
}

bool FaultyDisk::CreateDir(const std::string& path, bool* already_exists, std::string* error) {
  if ((fail_create_dir && fail_create_dir(path)) || Fails("create-dir", path, error)) {
    errno = EIO;
    if (error && error->empty()) *error = std::strerror(EIO);
    if (already_exists) *already_exists = false;
    return false;
  }
  return RealDisk::CreateDir(path, already_exists, error);
}

bool FaultyDisk::CreatePrivateDir(const std::string& path, bool* already_exists,
                                  std::string* error) {
  if ((fail_create_dir && fail_create_dir(path)) || Fails("create-dir", path, error)) {
    errno = EIO;
    if (error && error->empty()) *error = std::strerror(EIO);
    if (already_exists) *already_exists = false;
    return false;
  }
  return RealDisk::CreatePrivateDir(path, already_exists, error);
}

bool FaultyDisk::List(const std::string& folder, std::vector<DirEntry>* entries,
                      std::string* error) {
  if (Fails("list", folder, error)) {
    entries->clear();
    return false;
  }
  if (!RealDisk::List(folder, entries, error)) return false;
  const int given = fail_list_after ? fail_list_after(folder) : -1;
  if (given < 0 || static_cast<size_t>(given) > entries->size()) return true;
  entries->resize(static_cast<size_t>(given));
  errno = EIO;
  if (error) *error = std::strerror(EIO);
  return false;
}

bool FaultyDisk::SyncFile(FileHandle handle, const std::string& path, std::string* error) {
  if (Fails("sync", path, error)) return false;
  return RealDisk::SyncFile(handle, path, error);
}

bool FaultyDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  if ((fail_write && fail_write(path)) || Fails("write", path, error)) {
    if (error && error->empty()) *error = "injected write failure";
    return false;
  }
  return RealDisk::WriteFile(path, data, error);
}

bool FaultyDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
  if ((fail_read && fail_read(path)) || Fails("read", path, error)) {
    if (error) *error = "injected read failure";
    return false;
  }
  return RealDisk::ReadFile(path, data, error);
}

bool FaultyDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  if ((fail_write && fail_write(path)) || Fails("write-new", path, error)) {
    if (error) *error = "injected write failure";
    return false;
  }
  return RealDisk::WriteNewFile(path, data, error);
}

bool FaultyDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                                bool* already_exists) {
  if ((fail_write && fail_write(path)) || Fails("write-exclusive", path, error)) {
    if (already_exists) *already_exists = false;
    if (error) *error = "injected write failure";
    return false;
  }
  return RealDisk::WriteExclusive(path, data, error, already_exists);
}

bool FaultyDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                            bool* already_exists) {
  if ((fail_copy && fail_copy(from, to)) || Fails("backup", from, error)) {
    if (already_exists) *already_exists = false;
    if (error) *error = "injected backup failure";
    return false;
  }
  return RealDisk::BackupFile(from, to, error, already_exists);
}

bool FaultyDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  if ((fail_copy && fail_copy(from, to)) || Fails("move", to, error)) return false;
  return RealDisk::MoveFile(from, to, error);
}

#ifdef _WIN32
namespace {

// One argument of a command line as the C runtime splits it: quoted, with
// the backslashes before a quote doubled.
std::wstring QuoteArgument(const std::wstring& arg) {
  std::wstring q = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    q += c;
  }
  q.append(slashes * 2, L'\\');
  return q + L"\"";
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

CommandResult RunTolvern(const std::vector<std::string>& args, const std::string& shell_prefix) {
  // No shell stands between the test and the process here.
  if (!shell_prefix.empty()) throw std::runtime_error("a shell prefix needs a POSIX shell");
  static std::atomic<int> counter{0};
  std::string base = Utf8Path(fs::temp_directory_path()) + "\\tolvern-run-" +
                     std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
  std::wstring out_file = WidePath(base + ".out"), err_file = WidePath(base + ".err");
  std::wstring cmd = QuoteArgument(WidePath(TOLVERN_BINARY));
  for (const std::string& a : args) cmd += L" " + QuoteArgument(Utf8ToWide(a));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  si.hStdOutput = InheritableFile(out_file, GENERIC_WRITE, CREATE_ALWAYS);
  si.hStdError = InheritableFile(err_file, GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION pi{};
  // Under Wine a start now and then fails while the machine is busy with the
  // tests beside this one; a few more tries tell that from a program that
  // cannot start at all.
  bool started = false;
  DWORD error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200 * attempt);
    started = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &si, &pi);
    if (!started) error = ::GetLastError();
  }
  for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (!started)
    throw std::runtime_error("cannot start " + std::string(TOLVERN_BINARY) + " (error " +
                             std::to_string(error) + ")");
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  CommandResult result;
  result.exit_code = static_cast<int>(code);
  result.out = ReadFileBytes(base + ".out");
  result.err = ReadFileBytes(base + ".err");
  ::DeleteFileW(out_file.c_str());
  ::DeleteFileW(err_file.c_str());
  return result;
}
#else
namespace {
std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
}  // namespace

CommandResult RunTolvern(const std::vector<std::string>& args, const std::string& shell_prefix) {
  static std::atomic<int> counter{0};
  std::string err_file =
      (fs::temp_directory_path() /
       ("tolvern-stderr-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
          .string();
  std::string cmd = shell_prefix + ShellQuote(TOLVERN_BINARY);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " 2>" + ShellQuote(err_file) + " </dev/null";
  CommandResult result;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) result.out.append(buf, n);
  int status = pclose(p);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::error_code ec;
  if (fs::exists(err_file)) result.err = ReadFileBytes(err_file);
  fs::remove(err_file, ec);
  return result;
}
#endif

}  // namespace tolvern::testing
