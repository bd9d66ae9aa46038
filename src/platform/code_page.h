// 8-bit text in a Windows code page, shown as UTF-8. The run keeps the bytes
// of an ANSI file as they are and writes them back unchanged; only what a
// person or another tool reads (the HTML report, the SARIF list) needs the
// characters, and so the code page the sources were written in.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tolvern {

// The single-byte Windows code pages (874, 1250 to 1258): the ANSI code
// pages of the systems the sources come from. Multi-byte pages (932, 936,
// 949, 950) are not among them.
bool IsSingleByteCodePage(int code_page);

// The system's ANSI code page: the one Windows reads 8-bit text in; 1252
// (Western European) elsewhere, where no such setting exists.
int SystemCodePage();

// Decodes 8-bit text of one code page. Made once per code page and kept by
// the caller: the table of the upper 128 bytes comes from the platform
// (iconv, or Windows' own conversion).
class CodePageText {
 public:
  // code_page: one of IsSingleByteCodePage; any other value reads as 1252.
  explicit CodePageText(int code_page);
  int code_page() const { return code_page_; }
  // The text as UTF-8: ASCII as it is, every other byte as the character the
  // code page gives it; a byte the code page leaves undefined becomes
  // U+FFFD. The result is always well-formed UTF-8.
  std::string ToUtf8(std::string_view bytes) const;
  // Text that is already well-formed UTF-8 as it is, other text decoded.
  std::string ToUtf8IfNeeded(std::string_view bytes) const;

 private:
  int code_page_;
  std::array<std::string, 128> upper_;  // UTF-8 of bytes 0x80 to 0xFF
};

}  // namespace tolvern
