// The three encodings of text files: UTF-16 little-endian with its mark
// FF FE, UTF-8 with its mark EF BB BF, and 8-bit text in the system's code
// page (anything else). Decoding is lossless: UTF-16 becomes UTF-8 in memory
// and goes back to the very same bytes; UTF-8 and 8-bit text are kept as
// bytes. Quotes, braces and line ends are ASCII, which no byte of a UTF-8
// sequence is, so scanning the bytes finds every token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvern {

enum class TextEncoding { kAnsi, kUtf8, kUtf16LE };

const char* EncodingName(TextEncoding e);

// Recognises the encoding by the mark at the start of the bytes.
TextEncoding DetectEncoding(std::string_view bytes);

// The text of the bytes after the mark. False, with a reason in *error, when
// the bytes are not valid in their encoding (odd UTF-16 length, unpaired
// surrogates, broken UTF-8).
bool DecodeText(std::string_view bytes, TextEncoding encoding, std::string* text,
                std::string* error);
// The same for bytes that are not needed after: 8-bit and UTF-8 text takes
// them over without a copy.
bool DecodeOwnedText(std::string&& bytes, TextEncoding encoding, std::string* text,
                     std::string* error);

// The bytes of a file holding text in the encoding, mark included.
std::string EncodeText(std::string_view text, TextEncoding encoding);

// Whether bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Decodes the UTF-8 sequence at bytes[*at] (*at < bytes.size()) into
// *code_point and moves *at past it. False, with *at where it was, when no
// well-formed sequence starts there: a stray continuation byte, a sequence
// cut short, an overlong form, a surrogate (U+D800 to U+DFFF), or a code
// point past U+10FFFF.
bool DecodeUtf8(std::string_view bytes, size_t* at, std::uint32_t* code_point);

}  // namespace tolvern
