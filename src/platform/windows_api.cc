#include "platform/windows_api.h"

#ifdef _WIN32

namespace tolvern {

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n,
                        nullptr, nullptr);
  return utf8;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Utf8ToWide(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  // 248: folders are created only below that length without the prefix.
  if (wide.size() < 248 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr));
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  if (full.size() > 2 && full[1] == L':') return L"\\\\?\\" + full;
  return wide;
}

std::string NameOnDisk(const std::string& path) {
  std::wstring wide = WidePath(path);
  if (wide.find_first_of(L"*?") != std::wstring::npos) return "";
  WIN32_FIND_DATAW fd;
  HANDLE h =
      ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return "";
  ::FindClose(h);
  return WideToUtf8(fd.cFileName);
}

std::string ErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  // English where the system has it, as the rest of the tool's messages.
  DWORD n = ::FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  if (n == 0)
    n = ::FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = n ? WideToUtf8(std::wstring_view(buf, n)) : "";
  if (buf) ::LocalFree(buf);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "Windows error " + std::to_string(code);
  return text;
}

}  // namespace tolvern

#endif  // _WIN32
