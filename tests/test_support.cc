#include "test_support.h"

#include <cerrno>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace tolvern::testing {

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

std::string ScratchDir::temp_dir() const { return path_ + "/.tmp"; }

std::string ScratchDir::operator/(const std::string& rel) const { return path_ + "/" + rel; }

std::string ScratchDir::Write(const std::string& rel, const std::string& bytes) const {
  std::string full = *this / rel;
  fs::create_directories(fs::path(full).parent_path());
  WriteFileBytes(full, bytes);
  return full;
}

std::string ScratchDir::Read(const std::string& rel) const { return ReadFileBytes(*this / rel); }

std::string CopyExample(const ScratchDir& dir, const std::string& name) {
  std::string target = dir / name;
  fs::copy(ExampleDir(), target, fs::copy_options::recursive);
  return target;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::string rel = fs::relative(e.path(), folder).string();
    if (rel.rfind(".tmp", 0) == 0) continue;
    files[rel] = ReadFileBytes(e.path().string());
  }
  return files;
}

bool FaultyDisk::Fails(const char* op, const std::string& path, std::string* error) {
  if (on_op) on_op(op, path);
  if (!fail_op || !fail_op(op, path)) return false;
  errno = EIO;
  if (error) *error = std::string("injected ") + op + " failure";
  return true;
}

bool FaultyDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  if ((fail_copy && fail_copy(from, to)) || Fails("copy", to, error)) return false;
  return RealDisk::CopyFile(from, to, error);
}

bool FaultyDisk::CreateDir(const std::string& path, bool* already_exists) {
  if ((fail_create_dir && fail_create_dir(path)) || Fails("create-dir", path, nullptr)) {
    errno = EIO;
    if (already_exists) *already_exists = false;
    return false;
  }
  return RealDisk::CreateDir(path, already_exists);
}

bool FaultyDisk::CreatePrivateDir(const std::string& path, bool* already_exists) {
  if ((fail_create_dir && fail_create_dir(path)) || Fails("create-dir", path, nullptr)) {
    errno = EIO;
    if (already_exists) *already_exists = false;
    return false;
  }
  return RealDisk::CreatePrivateDir(path, already_exists);
}

bool FaultyDisk::List(const std::string& folder, std::vector<DirEntry>* entries) {
  if (Fails("list", folder, nullptr)) {
    entries->clear();
    return false;
  }
  return RealDisk::List(folder, entries);
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

bool FaultyDisk::WriteExclusive(const std::string& path, std::string_view data,
                                std::string* error, bool* already_exists) {
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

namespace {
std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
}  // namespace

CommandResult RunTolvern(const std::vector<std::string>& args) {
  static int counter = 0;
  std::string err_file =
      (fs::temp_directory_path() / ("tolvern-stderr-" + std::to_string(getpid()) + "-" +
                                    std::to_string(counter++)))
          .string();
  std::string cmd = ShellQuote(TOLVERN_BINARY);
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

}  // namespace tolvern::testing
