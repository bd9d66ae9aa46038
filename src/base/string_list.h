// An ordered list of lines that compares ignoring letter case and follows the
// name/value convention: a line's name is the text before its first "=", its
// value the text after it. A sorted list keeps its lines in order and finds
// them by binary search; each line may carry an integer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"

namespace tolvern {

class StringList {
 public:
  explicit StringList(bool sorted = false) : sorted_(sorted) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  const std::string& operator[](int i) const { return lines_[static_cast<size_t>(i)].text; }
  int Object(int i) const { return lines_[static_cast<size_t>(i)].object; }
  void Set(int i, std::string text) { lines_[static_cast<size_t>(i)].text = std::move(text); }

  // Appends a line, or inserts it in order when the list is sorted. Returns
  // its index.
  int Add(std::string text, int object = 0);
  void Clear() { lines_.clear(); }

  // The index of the first line equal to text ignoring letter case, or -1.
  int IndexOf(std::string_view text) const;
  // The index of the first line whose name equals name, or -1.
  int IndexOfName(std::string_view name) const;

  // The value of the first line of that name ("" when none).
  std::string Value(std::string_view name) const;
  // Replaces the value of the first line of that name, or appends a line.
  void SetValue(std::string_view name, std::string_view value);

  static std::string NameOf(const std::string& line);
  static std::string ValueOf(const std::string& line);

  // Lines end at CR LF, a lone CR or a lone LF; a final line end adds no line.
  void SetText(std::string_view text);
  // Every line followed by CR LF.
  std::string Text() const;

 private:
  struct Line {
    std::string text;
    int object = 0;
  };
  bool sorted_;
  std::vector<Line> lines_;
};

}  // namespace tolvern
