// Edits of a text as data, in the coordinates of the text as it was: each
// replaces `length` bytes at `offset` by new bytes (an insertion replaces
// none). They are checked for overlap as they are added and applied once, in
// the order of their offsets (insertions at one offset in the order added),
// every byte between them copied: a text without edits comes back as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern {

struct TextEdit {
  std::size_t offset = 0;
  std::size_t length = 0;
  std::string text;
};

class TextEdits {
 public:
  // Adds an edit; false, with nothing added, when it overlaps an edit added
  // before (two insertions at one offset do not).
  bool Add(std::size_t offset, std::size_t length, std::string text);

  bool empty() const { return edits_.empty(); }
  std::size_t size() const { return edits_.size(); }

  // The text with every edit applied; false, with nothing in *out, when an
  // edit reaches past the end of text (its offset in *bad_offset).
  bool ApplyTo(std::string_view text, std::string* out, std::size_t* bad_offset = nullptr) const;

 private:
  std::vector<TextEdit> edits_;  // by offset
};

}  // namespace tolvern
