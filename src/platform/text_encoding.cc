#include "platform/text_encoding.h"

#include <cstdint>

namespace tolvern {

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

// The writers put a character at *o and move it on; the callers size the
// output for the longest form first.
void PutUtf8(char*& o, std::uint32_t cp) {
  if (cp < 0x80) {
    *o++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *o++ = static_cast<char>(0xC0 | (cp >> 6));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *o++ = static_cast<char>(0xE0 | (cp >> 12));
    *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | (cp >> 18));
    *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void PutUtf16(char*& o, std::uint32_t unit) {
  *o++ = static_cast<char>(unit & 0xFF);
  *o++ = static_cast<char>(unit >> 8);
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, size_t* at, std::uint32_t* code_point) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = b(*at);
  if (lead < 0x80) {
    *code_point = lead;
    ++*at;
    return true;
  }
  size_t len;
  std::uint32_t cp, min;
  if ((lead & 0xE0) == 0xC0) {
    len = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return false;  // a continuation byte, or a lead byte of no sequence
  }
  if (*at + len > bytes.size()) return false;
  for (size_t k = 1; k < len; ++k) {
    const unsigned char t = b(*at + k);
    if ((t & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (t & 0x3F);
  }
  // An overlong form, a surrogate, or a code point past U+10FFFF.
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  *code_point = cp;
  *at += len;
  return true;
}

const char* EncodingName(TextEncoding e) {
  switch (e) {
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kUtf16LE:
      return "UTF-16LE";
    default:
      return "ANSI";
  }
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 2) == kUtf16Mark) return TextEncoding::kUtf16LE;
  if (bytes.substr(0, 3) == kUtf8Mark) return TextEncoding::kUtf8;
  return TextEncoding::kAnsi;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  std::uint32_t cp;
  while (i < bytes.size()) {
    // Fast path over ASCII.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (!DecodeUtf8(bytes, &i, &cp)) return false;
  }
  return true;
}

bool DecodeText(std::string_view bytes, TextEncoding encoding, std::string* text,
                std::string* error) {
  text->clear();
  switch (encoding) {
    case TextEncoding::kAnsi:
      text->assign(bytes);
      return true;
    case TextEncoding::kUtf8:
      if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) bytes.remove_prefix(kUtf8Mark.size());
      if (!IsValidUtf8(bytes)) {
        if (error) *error = "it is not valid UTF-8";
        return false;
      }
      text->assign(bytes);
      return true;
    case TextEncoding::kUtf16LE:
      break;
  }
  if (bytes.substr(0, kUtf16Mark.size()) == kUtf16Mark) bytes.remove_prefix(kUtf16Mark.size());
  if (bytes.size() % 2 != 0) {
    if (error) *error = "it is not valid UTF-16 (odd number of bytes)";
    return false;
  }
  // A unit gives at most three bytes of UTF-8, a pair of them four.
  text->resize(bytes.size() / 2 * 3);
  char* o = text->data();
  auto unit = [&](size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k + 1])) << 8);
  };
  for (size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 2 < bytes.size()) {
      std::uint32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        PutUtf8(o, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      if (error) *error = "it is not valid UTF-16 (unpaired surrogate)";
      text->clear();
      return false;
    }
    PutUtf8(o, u);
  }
  text->resize(static_cast<size_t>(o - text->data()));
  return true;
}

bool DecodeOwnedText(std::string&& bytes, TextEncoding encoding, std::string* text,
                     std::string* error) {
  if (encoding == TextEncoding::kUtf8 && bytes.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0)
    bytes.erase(0, kUtf8Mark.size());
  switch (encoding) {
    case TextEncoding::kAnsi:
      *text = std::move(bytes);
      return true;
    case TextEncoding::kUtf8:
      if (!IsValidUtf8(std::string_view(bytes))) {
        text->clear();
        if (error) *error = "it is not valid UTF-8";
        return false;
      }
      *text = std::move(bytes);
      return true;
    case TextEncoding::kUtf16LE:
      break;
  }
  return DecodeText(std::string_view(bytes), encoding, text, error);
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kAnsi:
      return std::string(text);
    case TextEncoding::kUtf8:
      return std::string(kUtf8Mark) + std::string(text);
    case TextEncoding::kUtf16LE:
      break;
  }
  // A byte of UTF-8 gives at most two bytes of UTF-16.
  std::string out(kUtf16Mark.size() + text.size() * 2, '\0');
  char* o = out.data();
  for (char m : kUtf16Mark) *o++ = m;
  size_t i = 0;
  std::uint32_t cp;
  while (i < text.size()) {
    // Text that came from UTF-16 is valid UTF-8; a stray byte (which only an
    // edit could bring in) is carried as the character of that code.
    if (!DecodeUtf8(text, &i, &cp)) cp = static_cast<unsigned char>(text[i++]);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      PutUtf16(o, 0xD800 + (cp >> 10));
      PutUtf16(o, 0xDC00 + (cp & 0x3FF));
    } else {
      PutUtf16(o, cp);
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

}  // namespace tolvern
