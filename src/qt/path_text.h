// Text that names paths, made ready for a label that wraps its lines: a
// zero-width space after each folder separator of a long word lets a path
// break there, where a reader expects it, and never inside a folder's or a
// file's name.
#pragma once

#include <QString>
#include <string>

namespace tolvern {

// The break allowed after a separator.
inline constexpr char16_t kPathBreak = u'\u200B';
// Joins the two sides of a hyphen in a long word: a name such as
// "tolvern-gui" is not broken at its hyphen.
inline constexpr char16_t kNoBreak = u'\u2060';
// A word (text without blanks) up to this length gets no breaks: it fits.
inline constexpr int kShortWord = 24;

QString BreakablePaths(const std::string& text);
// The text without the breaks and joins, as it was given (what a user
// copies).
QString WithoutPathBreaks(QString text);

}  // namespace tolvern
