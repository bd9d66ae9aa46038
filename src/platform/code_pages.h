// 8-bit code pages of old Windows and DOS programs, decoded to UTF-8: the
// Western, Central European, Cyrillic, Greek, Turkish and Baltic pages that
// Paradox and dBASE tables are written in. Every byte decodes: a byte a code
// page leaves undefined becomes the control character of the same number, as
// Windows decodes it, so no byte is lost.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

// Whether the code page is one of the tables here (437, 850, 852, 866, 1250,
// 1251, 1252, 1253, 1254, 1257) or one the system decodes
// (system_code_pages.h: the East Asian pages among them).
bool IsKnownCodePage(int code_page);

// Appends the UTF-8 text of bytes in the code page to *text. Pages without a
// table here go to the system; bytes it cannot decode, and a code page not
// known, are read as 1252.
void AppendCodePageText(int code_page, std::string_view bytes, std::string* text);

// The UTF-8 text of bytes in the code page.
std::string CodePageToUtf8(int code_page, std::string_view bytes);

}  // namespace tolvern
