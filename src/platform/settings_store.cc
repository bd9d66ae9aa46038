#include "platform/settings_store.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "base/paths.h"
#include "platform/disk.h"
#include "platform/windows_api.h"

namespace tolvern {

TRegIniFile::TRegIniFile(std::string key) : TRegIniFile(std::move(key), DefaultStoreFile()) {}

TRegIniFile::TRegIniFile(std::string key, std::string store_file)
    : own_disk_(std::make_unique<RealDisk>()),
      disk_(own_disk_.get()),
      key_(std::move(key)),
      store_file_(std::move(store_file)) {}

TRegIniFile::TRegIniFile(std::string key, std::string store_file, Disk& disk)
    : disk_(&disk), key_(std::move(key)), store_file_(std::move(store_file)) {}

std::string TRegIniFile::DefaultStoreFile() {
#ifdef _WIN32
  return "";  // the registry
#endif
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = PathJoin(home && *home ? home : ".", ".config");
  }
  return PathJoin(PathJoin(base, "tolvern"), "registry.json");
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& name,
                                    const std::string& def) {
  std::string value;
  return Lookup(section, name, &value) ? value : def;
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& name, int def) {
  std::string value;
  if (!Lookup(section, name, &value)) return def;
  // A stored text that is no whole number reads as the default.
  try {
    size_t used = 0;
    long long n = std::stoll(value, &used, 10);
    if (used != value.size() || n < INT32_MIN || n > INT32_MAX) return def;
    return static_cast<int>(n);
  } catch (...) {
    return def;
  }
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& name, bool def) {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& name, int value) {
  WriteString(section, name, std::to_string(value));
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& name, bool value) {
  WriteString(section, name, value ? "1" : "0");
}

#ifndef _WIN32

bool TRegIniFile::Lookup(const std::string& section, const std::string& name, std::string* value) {
  Load();
  auto s = sections_.find(section);
  if (s == sections_.end()) return false;
  auto v = s->second.find(name);
  if (v == s->second.end()) return false;
  *value = v->second;
  return true;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
  Load();
  sections_[section][name] = value;
  Save();
}

void TRegIniFile::Load() {
  if (loaded_) return;
  loaded_ = true;
  if (!disk_->FileExists(store_file_)) return;
  std::string text, error;
  if (!disk_->ReadFile(store_file_, &text, &error)) {
    warning_ =
        "Settings file \"" + store_file_ + "\" could not be read (" + error + "); using defaults.";
    return;
  }
  nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    warning_ = "Settings file \"" + store_file_ + "\" is corrupt; using defaults.";
    return;
  }
  nlohmann::json others = doc;
  others.erase(key_);
  other_keys_json_ = others.dump();
  auto key = doc.find(key_);
  if (key == doc.end()) return;
  if (!key->is_object()) {
    warning_ = "Settings file \"" + store_file_ + "\" is corrupt; using defaults.";
    return;
  }
  for (auto& [section, values] : key->items()) {
    if (!values.is_object()) continue;
    for (auto& [name, v] : values.items())
      if (v.is_string()) sections_[section][name] = v.get<std::string>();
  }
}

void TRegIniFile::Save() {
  nlohmann::json doc = nlohmann::json::object();
  if (!other_keys_json_.empty() && warning_.empty())
    doc = nlohmann::json::parse(other_keys_json_, nullptr, false);
  if (!doc.is_object()) doc = nlohmann::json::object();
  nlohmann::json& key = doc[key_];
  key = nlohmann::json::object();
  for (const auto& [section, values] : sections_)
    for (const auto& [name, v] : values) key[section][name] = v;
  CreateFolderPath(*disk_, ExtractFileDir(store_file_));
  std::string error;
  // Invalid UTF-8 in a value must not throw: replace it in the file.
  std::string text = doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  if (!disk_->WriteFile(store_file_, text, &error))
    warning_ = "Settings file \"" + store_file_ + "\" could not be written (" + error + ").";
}

#else  // _WIN32: the registry of the current user.

namespace {

std::string KeyPath(const std::string& key, const std::string& section) {
  return key + "\\" + section;
}

std::string Shown(const std::string& key_path) { return "HKEY_CURRENT_USER\\" + key_path; }

}  // namespace

bool TRegIniFile::Lookup(const std::string& section, const std::string& name, std::string* value) {
  std::string path = KeyPath(key_, section);
  HKEY h;
  LSTATUS rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, KEY_QUERY_VALUE, &h);
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  std::wstring wname = Utf8ToWide(name);
  std::wstring data;
  DWORD type = 0;
  if (rc == ERROR_SUCCESS) {
    DWORD size = 0;
    rc = ::RegQueryValueExW(h, wname.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
      data.resize(size / sizeof(wchar_t) + 1);
      size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
      rc = ::RegQueryValueExW(h, wname.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
      data.resize(size / sizeof(wchar_t));
    }
    ::RegCloseKey(h);
  }
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  if (rc != ERROR_SUCCESS) {
    warning_ = "Registry key \"" + Shown(path) + "\" could not be read (" +
               ErrorText(static_cast<DWORD>(rc)) + "); using defaults.";
    return false;
  }
  // A value of another type than text reads as missing, as the wrapper does.
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  while (!data.empty() && data.back() == L'\0') data.pop_back();
  *value = WideToUtf8(data);
  return true;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
  std::string path = KeyPath(key_, section);
  HKEY h;
  LSTATUS rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE, nullptr, &h, nullptr);
  if (rc == ERROR_SUCCESS) {
    std::wstring data = Utf8ToWide(value);
    rc = ::RegSetValueExW(h, Utf8ToWide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(h);
  }
  if (rc != ERROR_SUCCESS)
    warning_ = "Registry value \"" + name + "\" of key \"" + Shown(path) +
               "\" could not be written (" + ErrorText(static_cast<DWORD>(rc)) + ").";
}

void TRegIniFile::Load() {}
void TRegIniFile::Save() {}

#endif

}  // namespace tolvern
