#include "base/string_list.h"

#include <algorithm>

namespace tolvern {

int StringList::Add(std::string text, int object) {
  if (!sorted_) {
    lines_.push_back({std::move(text), object});
    return Count() - 1;
  }
  auto it = std::upper_bound(
      lines_.begin(), lines_.end(), text,
      [](const std::string& t, const Line& l) { return CompareText(t, l.text) < 0; });
  size_t at = static_cast<size_t>(it - lines_.begin());
  lines_.insert(it, {std::move(text), object});
  return static_cast<int>(at);
}

int StringList::IndexOf(std::string_view text) const {
  if (sorted_) {
    auto it = std::lower_bound(
        lines_.begin(), lines_.end(), text,
        [](const Line& l, std::string_view t) { return CompareText(l.text, t) < 0; });
    if (it != lines_.end() && CompareText(it->text, text) == 0)
      return static_cast<int>(it - lines_.begin());
    return -1;
  }
  for (size_t i = 0; i < lines_.size(); ++i)
    if (CompareText(lines_[i].text, text) == 0) return static_cast<int>(i);
  return -1;
}

std::string StringList::NameOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string StringList::ValueOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int StringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& t = lines_[i].text;
    size_t eq = t.find('=');
    if (eq != std::string::npos && CompareText(std::string_view(t).substr(0, eq), name) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

std::string StringList::Value(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueOf(lines_[static_cast<size_t>(i)].text);
}

void StringList::SetValue(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  int i = IndexOfName(name);
  if (i < 0)
    Add(std::move(line));
  else
    lines_[static_cast<size_t>(i)].text = std::move(line);
}

void StringList::SetText(std::string_view text) {
  lines_.clear();
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    Add(std::string(text.substr(start, i - start)));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) Add(std::string(text.substr(start)));
}

std::string StringList::Text() const {
  // Sized first: a long list (an undo file of tens of thousands of lines)
  // is not copied over and over as it grows.
  size_t size = 0;
  for (const Line& l : lines_) size += l.text.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

}  // namespace tolvern
