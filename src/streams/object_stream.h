// Conversion between binary object streams ("TPF0" streams, the storage of
// binary forms) and form text as the IDE writes it: two blanks per level,
// strings quoted with #nnn codes for quotes, control and (in wide strings)
// non-ASCII characters, strings longer than 64 characters wrapped with " +",
// binary data as 64-digit hexadecimal lines in braces, lists in parentheses,
// sets in brackets, collections in angle brackets.
//
// Both directions check their input: a malformed stream raises EStreamError
// naming the offset, malformed text raises EParserError naming line and
// column. Nesting is bounded, so hostile input ends with an error, never a
// crash.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace tolvern {

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// The value types of a binary object stream.
enum ValueType : unsigned char {
  vaNull = 0,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble
};

// How the characters of form text are stored: as 8-bit bytes of the code
// page, or as UTF-8 (a text form with a byte-order mark).
enum class FormCharset { kAnsi, kUtf8 };

// The form text of a binary object stream (starting with "TPF0"). Names and
// 8-bit strings are copied as bytes; wide and UTF-8 strings are written with
// #nnn codes for characters beyond ASCII.
std::string ObjectBinaryToText(std::string_view stream);

// Where one object of a stream stands in the stream and in its text: the
// bytes [stream_begin, stream_end) from its flags or class name through its
// closing 00, with its class name (a length byte and the name) at
// class_begin; and the text [text_begin, text_end) from the indentation of
// its header through its "end" and line break. The root has level 0.
struct ObjectSpan {
  std::size_t stream_begin, stream_end, class_begin;
  std::size_t text_begin, text_end;
  int level;
};

// The form text of a stream for rewriting rather than for showing: the same
// text, but that a string of over a million characters stays on its
// property's line, so that a parser takes it as one piece; and the span of
// every object is appended to `spans` in the order of the text.
std::string ObjectBinaryToText(std::string_view stream, std::vector<ObjectSpan>* spans);

// The binary object stream of form text. A string whose characters all fit in
// 8 bits is stored as an 8-bit string, any other as a wide string.
std::string ObjectTextToBinary(std::string_view text, FormCharset charset = FormCharset::kAnsi);

// The binary of the text of one object, without the stream's signature: the
// bytes a stream holds for that object at any level.
std::string ObjectTextToBinaryObject(std::string_view text,
                                     FormCharset charset = FormCharset::kAnsi);

// The deepest nesting of objects, lists and collections either direction
// accepts. Both run on the large private stack, so that this depth fits
// whatever the caller's stack.
inline constexpr int kMaxStreamNesting = 10000;

// The largest form text a stream may give: a stream of the largest file
// holding little but strings of control codes or binary data fits in it.
inline constexpr std::size_t kMaxFormTextBytes = std::size_t{1} << 30;

}  // namespace tolvern
