// Code pages the system decodes: the many-byte pages of East Asia (936,
// 950, 932, 949) and any other page code_pages.h has no table for, through
// iconv on POSIX systems and MultiByteToWideChar on Windows.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

// Whether the system can decode the code page.
bool SystemKnowsCodePage(int code_page);

// Appends the UTF-8 text of bytes in the code page to *text; false, with
// nothing appended, when the system cannot decode them (a broken sequence).
bool SystemDecode(int code_page, std::string_view bytes, std::string* text);

}  // namespace tolvern
