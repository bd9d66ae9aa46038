// The one door through which the tool touches the file system. The real disk
// is the default; tests install a wrapper that makes chosen operations fail,
// to prove that no failure loses a byte of the user's files.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern {

struct DirEntry {
  std::string name;
  bool is_dir = false;
};

class Disk {
 public:
  virtual ~Disk() = default;

  // Creates one folder. On failure sets *already_exists when the name is
  // taken (by anything: folder, file or link).
  virtual bool CreateDir(const std::string& path, bool* already_exists) = 0;
  virtual bool RemoveDir(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // Copies a file, replacing the target. The target is written beside itself
  // and renamed into place, so it is never left half written.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  // Lists a folder in the order the system returns it, without "." and "..".
  // Links to folders are listed as files, so walks never follow them.
  virtual bool List(const std::string& folder, std::vector<DirEntry>* entries) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirExists(const std::string& path) = 0;
  virtual bool ReadFile(const std::string& path, std::string* data, std::string* error) = 0;
  // Writes a whole file through a temporary sibling and a rename.
  virtual bool WriteFile(const std::string& path, std::string_view data, std::string* error) = 0;
  // The user's folder for temporary files, without a trailing separator.
  virtual std::string TempPath() = 0;

  // Writes a file that nobody else sees yet (in the run's own work folder):
  // straight, without the temporary sibling.
  virtual bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
    return WriteFile(path, data, error);
  }
  // Makes `to` a copy of `from` that keeps the content `from` has now, also
  // when `from` is later replaced by a rename: a hard link where the system
  // allows it, else a copy.
  virtual bool BackupFile(const std::string& from, const std::string& to) {
    return CopyFile(from, to);
  }
  // Moves `from` over `to`, keeping the permissions `to` had: a rename where
  // the system allows it, else a copy.
  virtual bool MoveFile(const std::string& from, const std::string& to) {
    return CopyFile(from, to);
  }
};

// The real file system.
class RealDisk : public Disk {
 public:
  bool CreateDir(const std::string& path, bool* already_exists) override;
  bool RemoveDir(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool List(const std::string& folder, std::vector<DirEntry>* entries) override;
  bool FileExists(const std::string& path) override;
  bool DirExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* data, std::string* error) override;
  bool WriteFile(const std::string& path, std::string_view data, std::string* error) override;
  std::string TempPath() override;
  bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) override;
  bool BackupFile(const std::string& from, const std::string& to) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
};

// The disk in use.
Disk& CurrentDisk();

// Installs a disk for the life of this object (tests).
class ScopedDisk {
 public:
  explicit ScopedDisk(Disk* disk);
  ~ScopedDisk();
  ScopedDisk(const ScopedDisk&) = delete;
  ScopedDisk& operator=(const ScopedDisk&) = delete;

 private:
  Disk* previous_;
};

// Reads a whole file or throws EFOpenError naming it.
std::string ReadWholeFile(const std::string& path);
// Writes a whole file or throws EFCreateError naming it.
void WriteWholeFile(const std::string& path, std::string_view data);
// The same for a file in the run's own work folder.
void WriteNewWholeFile(const std::string& path, std::string_view data);

}  // namespace tolvern
