#include "platform/code_page.h"

#include "platform/text_encoding.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <iconv.h>
#endif

namespace tolvern {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The UTF-8 of one byte of the code page; "" when the page leaves it undefined.
std::string DecodeByte(int code_page, unsigned char byte) {
  const char in = static_cast<char>(byte);
#ifdef _WIN32
  wchar_t wide[2] = {};
  const int n =
      MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, &in, 1, wide, 2);
  if (n != 1) return "";
  char utf8[8] = {};
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof utf8, nullptr, nullptr);
  return m > 0 ? std::string(utf8, static_cast<size_t>(m)) : std::string();
#else
  const std::string name = "CP" + std::to_string(code_page);
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  char from[1] = {in};
  char to[8] = {};
  char* from_at = from;
  char* to_at = to;
  size_t from_left = 1, to_left = sizeof to;
  const size_t done = iconv(cd, &from_at, &from_left, &to_at, &to_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || from_left != 0) return "";
  return std::string(to, sizeof to - to_left);
#endif
}

}  // namespace

bool IsSingleByteCodePage(int code_page) {
  return code_page == 874 || (code_page >= 1250 && code_page <= 1258);
}

int SystemCodePage() {
#ifdef _WIN32
  const int acp = static_cast<int>(GetACP());
  return IsSingleByteCodePage(acp) ? acp : 1252;
#else
  return 1252;
#endif
}

CodePageText::CodePageText(int code_page)
    : code_page_(IsSingleByteCodePage(code_page) ? code_page : 1252) {
  for (int b = 0x80; b < 0x100; ++b) {
    std::string utf8 = DecodeByte(code_page_, static_cast<unsigned char>(b));
    // A control character or an undefined byte shows as the replacement
    // character, never as itself: the page must stay valid UTF-8.
    const bool control = utf8.size() == 2 && utf8[0] == '\xC2' &&
                         static_cast<unsigned char>(utf8[1]) < 0xA0;  // U+0080 to U+009F
    upper_[b - 0x80] = utf8.empty() || control ? kReplacement : std::move(utf8);
  }
}

std::string CodePageText::ToUtf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      out += upper_[b - 0x80];
  }
  return out;
}

std::string CodePageText::ToUtf8IfNeeded(std::string_view bytes) const {
  return IsValidUtf8(bytes) ? std::string(bytes) : ToUtf8(bytes);
}

}  // namespace tolvern
