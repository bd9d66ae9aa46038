// String values as form text writes them: quoted pieces and #nnn character
// codes, joined without blanks, and continued across lines with "+".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern {

// The characters of a string value (codes above 255 as UTF-8), or nothing
// when the text is not one string value.
std::optional<std::string> DecodeFormString(std::string_view text);

// The string values of a string list value "( ... )", or nothing when the
// text is not one.
std::optional<std::vector<std::string>> DecodeFormStringList(std::string_view text);

// A string value for form text: printable characters quoted, quotes and
// control characters as #nnn codes.
std::string EncodeFormString(std::string_view value);

}  // namespace tolvern
