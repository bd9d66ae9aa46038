// Per-user settings in the form of an ini-style registry wrapper: one key, one
// section per title, values stored as strings (integers as decimal digits,
// Booleans as 1 or 0). On Windows this is the registry of the current user;
// elsewhere a JSON file in the user's configuration folder, replaced
// atomically on every write so a crash never leaves half a file.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/disk.h"

namespace tolvern {

class TRegIniFile {
 public:
  // Opens the key (for example "Software\Veltrane") in the default store.
  explicit TRegIniFile(std::string key);
  // Opens the key in a store file of the caller's choice (tests). On Windows
  // the store is always the registry and store_file is not used: tests give
  // a key of their own instead.
  TRegIniFile(std::string key, std::string store_file);
  // The same on a disk of the caller's (tests): the store file is read and
  // written through it.
  TRegIniFile(std::string key, std::string store_file, Disk& disk);

  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& def);
  int ReadInteger(const std::string& section, const std::string& name, int def);
  bool ReadBool(const std::string& section, const std::string& name, bool def);
  void WriteString(const std::string& section, const std::string& name, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& name, int value);
  void WriteBool(const std::string& section, const std::string& name, bool value);

  // Non-empty when the store could not be read or written; the readers then
  // answer with the defaults. Never throws.
  const std::string& Warning() const { return warning_; }
  const std::string& StoreFile() const { return store_file_; }

  // Where the store lives by default: $XDG_CONFIG_HOME (or ~/.config) and
  // "tolvern/registry.json"; "" on Windows.
  static std::string DefaultStoreFile();

 private:
  bool Lookup(const std::string& section, const std::string& name, std::string* value);
  void Load();
  void Save();

  // The store's own real disk, unless it was given one.
  std::unique_ptr<Disk> own_disk_;
  Disk* disk_;
  std::string key_;
  std::string store_file_;
  std::string warning_;
  // The sections of our key; the other keys of the file are kept verbatim.
  std::map<std::string, std::map<std::string, std::string>> sections_;
  std::string other_keys_json_;
  bool loaded_ = false;
};

}  // namespace tolvern
