#include "engine/undo_record.h"

#include <charconv>

#include "base/sha256.h"

namespace tolvern {

namespace {
constexpr std::string_view kHeader =
    "# What the run wrote over each original it replaced: size, SHA-256, original; under an "
    "original that is a link, \"-> \" and the file it names.";
constexpr std::string_view kLinkPrefix = "-> ";
}  // namespace

bool WrittenText::Matches(std::string_view data) const {
  return data.size() == size && Sha256Hex(data) == sha256;
}

std::string UndoRecord::PathFor(const std::string& undo_file) { return undo_file + ".written"; }

void UndoRecord::Add(const std::string& original, std::string_view migrated_text,
                     const std::string& link_target) {
  files_[original] = WrittenText{migrated_text.size(), Sha256Hex(migrated_text), link_target};
}

const WrittenText* UndoRecord::Find(const std::string& original) const {
  auto at = files_.find(original);
  return at == files_.end() ? nullptr : &at->second;
}

std::string UndoRecord::Text() const {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [original, written] : files_) {
    text += std::to_string(written.size) + ' ' + written.sha256 + ' ' + original + '\n';
    if (!written.link_target.empty()) text += std::string(kLinkPrefix) + written.link_target + '\n';
  }
  return text;
}

bool UndoRecord::Parse(std::string_view text, std::string* error) {
  files_.clear();
  int number = 0;
  WrittenText* previous = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with(kLinkPrefix) && previous && previous->link_target.empty()) {
      previous->link_target = std::string(line.substr(kLinkPrefix.size()));
      continue;
    }
    auto fail = [&] {
      *error = "line " + std::to_string(number) + " (\"" + std::string(line) +
               "\") is not \"size sha256 original\"";
      return false;
    };
    WrittenText written;
    const char* first = line.data();
    const char* last = line.data() + line.size();
    auto [after_size, ec] = std::from_chars(first, last, written.size);
    if (ec != std::errc() || after_size == last || *after_size != ' ') return fail();
    std::string_view rest(after_size + 1, static_cast<size_t>(last - after_size - 1));
    if (rest.size() < 66 || rest[64] != ' ') return fail();
    written.sha256 = std::string(rest.substr(0, 64));
    if (written.sha256.find_first_not_of("0123456789abcdef") != std::string::npos) return fail();
    previous = &(files_[std::string(rest.substr(65))] = std::move(written));
  }
  return true;
}

}  // namespace tolvern
