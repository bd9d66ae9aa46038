#include "engine/undo_record.h"

#include <charconv>
#include <set>

#include "base/paths.h"
#include "base/sha256.h"

namespace tolvern {

namespace {
constexpr std::string_view kHeader =
    "# What the run wrote over each original it replaced: size, SHA-256, original; under an "
    "original that is a link, \"-> \" and the file it names.";
constexpr std::string_view kHeader2 =
    "# Under each file: \"= \" and the size and SHA-256 of its backup, or \"+ created\" for a "
    "file the run created.";
constexpr std::string_view kLinkPrefix = "-> ";
constexpr std::string_view kBackupPrefix = "= ";
constexpr std::string_view kCreated = "+ created";

// Reads "size sha256" at the start of text; the rest after one space in *rest.
bool ParseDigest(std::string_view text, TextDigest* digest, std::string_view* rest) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [after_size, ec] = std::from_chars(first, last, digest->size);
  if (ec != std::errc() || after_size == last || *after_size != ' ') return false;
  std::string_view tail(after_size + 1, static_cast<size_t>(last - after_size - 1));
  if (tail.size() < 64) return false;
  digest->sha256 = std::string(tail.substr(0, 64));
  if (digest->sha256.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
  tail.remove_prefix(64);
  if (rest) {
    if (tail.size() < 2 || tail[0] != ' ') return false;
    *rest = tail.substr(1);
  } else if (!tail.empty()) {
    return false;
  }
  return true;
}
}  // namespace

std::string UndoFileText(const StringList& lines, const std::vector<std::string>& extra_folders) {
  std::set<std::string> folders(extra_folders.begin(), extra_folders.end());
  for (int i = 0; i < lines.Count(); ++i)
    folders.insert(ExtractFileDir(StringList::NameOf(lines[i])));
  std::string text;
  for (const std::string& folder : folders)
    text += std::string(kUndoFolderPrefix) + folder + "\r\n";
  return text + lines.Text();
}

TextDigest TextDigest::Of(std::string_view data) {
  return TextDigest{data.size(), Sha256Hex(data)};
}

bool TextDigest::Matches(std::string_view data) const {
  return Known() && data.size() == size && Sha256Hex(data) == sha256;
}

bool WrittenText::Matches(std::string_view data) const {
  return data.size() == size && Sha256Hex(data) == sha256;
}

std::string UndoRecord::PathFor(const std::string& undo_file) { return undo_file + ".written"; }

void UndoRecord::Add(const std::string& original, std::string_view migrated_text,
                     const std::string& link_target) {
  WrittenText& w = files_[original];
  w = WrittenText();
  w.size = migrated_text.size();
  w.sha256 = Sha256Hex(migrated_text);
  w.link_target = link_target;
}

const WrittenText* UndoRecord::Find(const std::string& original) const {
  auto at = files_.find(original);
  return at == files_.end() ? nullptr : &at->second;
}

std::string UndoRecord::Text() const {
  std::string text(kHeader);
  text += '\n';
  text += kHeader2;
  text += '\n';
  for (const auto& [original, written] : files_) {
    text += std::to_string(written.size) + ' ' + written.sha256 + ' ' + original + '\n';
    if (!written.link_target.empty()) text += std::string(kLinkPrefix) + written.link_target + '\n';
    if (written.created)
      text += std::string(kCreated) + '\n';
    else if (written.backup.Known())
      text += std::string(kBackupPrefix) + std::to_string(written.backup.size) + ' ' +
              written.backup.sha256 + '\n';
  }
  return text;
}

bool UndoRecord::Parse(std::string_view text, std::string* error) {
  files_.clear();
  complete_ = true;
  int number = 0;
  WrittenText* previous = nullptr;
  std::string_view line;
  auto fail = [&](const char* what) {
    *error = "line " + std::to_string(number) + " (\"" + std::string(line) + "\") is not " + what;
    return false;
  };
  while (!text.empty()) {
    const size_t end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with(kLinkPrefix) && previous && previous->link_target.empty()) {
      previous->link_target = std::string(line.substr(kLinkPrefix.size()));
      continue;
    }
    if (line == kCreated && previous && !previous->backup.Known()) {
      previous->created = true;
      continue;
    }
    if (line.starts_with(kBackupPrefix) && previous && !previous->created) {
      if (!ParseDigest(line.substr(kBackupPrefix.size()), &previous->backup, nullptr))
        return fail("\"= size sha256\"");
      continue;
    }
    // Each file says what it is; a record where one does not is of an
    // older version, which said nothing of created files and backups.
    if (previous && !previous->created && !previous->backup.Known()) complete_ = false;
    TextDigest digest;
    std::string_view original;
    if (!ParseDigest(line, &digest, &original)) return fail("\"size sha256 original\"");
    WrittenText& w = files_[std::string(original)];
    w = WrittenText();
    w.size = digest.size;
    w.sha256 = digest.sha256;
    previous = &w;
  }
  if (previous && !previous->created && !previous->backup.Known()) complete_ = false;
  return true;
}

}  // namespace tolvern
