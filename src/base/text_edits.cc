#include "base/text_edits.h"

#include <algorithm>
#include <utility>

namespace tolvern {

bool TextEdits::Add(std::size_t offset, std::size_t length, std::string text) {
  // The first edit that starts after offset, or at it and replacing bytes
  // (an insertion at offset goes before it); insertions at one offset keep
  // the order they were added in.
  auto at = std::upper_bound(edits_.begin(), edits_.end(), offset,
                             [length](std::size_t o, const TextEdit& e) {
                               return o < e.offset || (o == e.offset && length == 0 && e.length);
                             });
  if (at != edits_.begin() && (at - 1)->offset + (at - 1)->length > offset) return false;
  if (at != edits_.end() && offset + length > at->offset && !(length == 0 && at->offset == offset))
    return false;
  edits_.insert(at, TextEdit{offset, length, std::move(text)});
  return true;
}

bool TextEdits::ApplyTo(std::string_view text, std::string* out, std::size_t* bad_offset) const {
  out->clear();
  if (!edits_.empty() && edits_.back().offset + edits_.back().length > text.size()) {
    if (bad_offset) *bad_offset = edits_.back().offset;
    return false;
  }
  std::size_t grows = 0;
  for (const TextEdit& e : edits_) grows += e.text.size();
  out->reserve(text.size() + grows);
  std::size_t copied = 0;
  for (const TextEdit& e : edits_) {
    out->append(text.substr(copied, e.offset - copied));
    *out += e.text;
    copied = e.offset + e.length;
  }
  out->append(text.substr(copied));
  return true;
}

}  // namespace tolvern
