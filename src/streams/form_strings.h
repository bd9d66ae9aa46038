// String values as form text writes them: quoted pieces and #nnn character
// codes, joined without blanks, and continued across lines with "+".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "streams/object_stream.h"

namespace tolvern {

// The characters of a string value, or nothing when the text is not one
// string value. Quoted characters are the bytes as they stand, in the form's
// own encoding; a #nnn code is the character of that number in the same
// encoding: in 8-bit text a code below 256 is that byte (the code page's
// character) and a code above as UTF-8, which no code page holds; in UTF-8
// text every code as UTF-8.
std::optional<std::string> DecodeFormString(std::string_view text,
                                            FormCharset charset = FormCharset::kAnsi);
// The same for the string value that starts at text[*at] and may go on
// behind it: *at is moved past the value.
std::optional<std::string> ReadFormString(std::string_view text, size_t* at, FormCharset charset);

// The string values of a string list value "( ... )", or nothing when the
// text is not one.
std::optional<std::vector<std::string>> DecodeFormStringList(std::string_view text);

// A string value for form text: printable characters quoted, quotes and
// control characters as #nnn codes.
std::string EncodeFormString(std::string_view value);

// One character of a string value as the form text wrote it: a byte that
// stood inside quotes (in the form's own encoding, ANSI or UTF-8), or a #nnn
// character code (any character, also beyond the form's code page). Values
// taken apart this way are written back as they stood, so that a character
// keeps its meaning whatever the form's encoding.
struct FormChar {
  std::uint32_t value = 0;
  bool code = false;
  bool operator==(const FormChar&) const = default;
};
using FormChars = std::vector<FormChar>;

// The string values of a string list value, character by character, or
// nothing when the text is not one.
std::optional<std::vector<FormChars>> DecodeFormCharsList(std::string_view text);
// Plain bytes as quoted characters.
FormChars ToFormChars(std::string_view bytes);
// A value for form text: quoted characters quoted (a quote and control
// characters as #nnn), codes as #nnn.
std::string EncodeFormChars(const FormChars& value);

}  // namespace tolvern
