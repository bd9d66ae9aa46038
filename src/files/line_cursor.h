// Lines of a text by offset, counted on from the place last asked for: a
// caller that asks in the text's order (the objects of a form, the places
// of a to-do list) reads the text once, however many places it asks for. A
// place before the current line starts the count again from the top.
#pragma once

#include <algorithm>
#include <string_view>

namespace tolvern {

class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  // The 1-based line of offset (taken as the text's end when beyond it);
  // LineStart() then gives the offset where that line begins.
  int LineOf(size_t offset) {
    offset = std::min(offset, text_.size());
    if (offset < line_start_) *this = LineCursor(text_);
    for (size_t nl; (nl = text_.find('\n', at_)) < offset; at_ = nl + 1) {
      ++line_;
      line_start_ = nl + 1;
    }
    at_ = offset;
    return line_;
  }

  // Moves to the start of a 1-based line; false when the text has fewer
  // lines.
  bool MoveToLine(int line) {
    if (line < line_) *this = LineCursor(text_);
    at_ = line_start_;
    for (; line_ < line; ++line_) {
      const size_t nl = text_.find('\n', at_);
      if (nl == std::string_view::npos) return false;
      at_ = line_start_ = nl + 1;
    }
    return true;
  }

  size_t LineStart() const { return line_start_; }

 private:
  std::string_view text_;
  size_t at_ = 0;          // the place last asked for
  size_t line_start_ = 0;  // the start of its line
  int line_ = 1;           // its line
};

}  // namespace tolvern
