#include "platform/system_code_pages.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/windows_api.h"
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace tolvern {

#ifdef _WIN32

bool SystemKnowsCodePage(int code_page) {
  return code_page > 0 && ::IsValidCodePage(static_cast<UINT>(code_page));
}

bool SystemDecode(int code_page, std::string_view bytes, std::string* text) {
  if (bytes.empty()) return true;
  int n = ::MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, bytes.data(),
                        static_cast<int>(bytes.size()), wide.data(), n);
  *text += WideToUtf8(wide);
  return true;
}

#else

namespace {

std::string IconvName(int code_page) { return "CP" + std::to_string(code_page); }

}  // namespace

bool SystemKnowsCodePage(int code_page) {
  if (code_page <= 0) return false;
  iconv_t cd = ::iconv_open("UTF-8", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  ::iconv_close(cd);
  return true;
}

bool SystemDecode(int code_page, std::string_view bytes, std::string* text) {
  iconv_t cd = ::iconv_open("UTF-8", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out(bytes.size() * 4 + 4, '\0');
  std::string in(bytes);
  char* in_at = in.data();
  size_t in_left = in.size();
  char* out_at = out.data();
  size_t out_left = out.size();
  size_t done = ::iconv(cd, &in_at, &in_left, &out_at, &out_left);
  ::iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return false;
  text->append(out.data(), out.size() - out_left);
  return true;
}

#endif

}  // namespace tolvern
