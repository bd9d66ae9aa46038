#include "win32/win_browse.h"

#ifdef _WIN32

#include <commdlg.h>
#include <shlobj.h>

#include <filesystem>

#include "base/system_texts.h"
#include "files/file_utils.h"

namespace tolvern {

namespace {

int CALLBACK BrowseStart(HWND w, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) ::SendMessageW(w, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

std::string BrowseStartFolder(const std::string& field) {
  std::filesystem::path p(Utf8ToWide(field));
  std::error_code ec;
  while (!p.empty() && !std::filesystem::is_directory(p, ec)) {
    if (p == p.parent_path()) return "";
    p = p.parent_path();
  }
  return WideToUtf8(p.wstring());
}

std::string SystemBrowseFolder(HWND owner, const std::string& start) {
  const std::wstring title = Utf8ToWide(res::kSelectDirectory);
  const std::wstring from = Utf8ToWide(BrowseStartFolder(start));
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseStart;
  bi.lParam = from.empty() ? 0 : reinterpret_cast<LPARAM>(from.c_str());
  PIDLIST_ABSOLUTE list = ::SHBrowseForFolderW(&bi);
  if (!list) return "";
  wchar_t path[MAX_PATH] = L"";
  const bool ok = ::SHGetPathFromIDListW(list, path);
  ::CoTaskMemFree(list);
  return ok ? WideToUtf8(path) : "";
}

namespace {

// The system's file dialog, opening a file that exists or naming one to
// save, with one kind of file offered.
std::string BrowseFile(HWND owner, const std::string& start, const wchar_t* filter,
                       const wchar_t* extension, bool save) {
  wchar_t file[32768] = L"";
  const std::wstring dir = Utf8ToWide(BrowseStartFolder(ExtractFilePath(start)));
  OPENFILENAMEW of{};
  of.lStructSize = sizeof(of);
  of.hwndOwner = owner;
  of.lpstrFilter = filter;
  of.lpstrFile = file;
  of.nMaxFile = 32768;
  of.lpstrDefExt = extension;
  of.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  of.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (save) {
    of.Flags |= OFN_OVERWRITEPROMPT;
    return ::GetSaveFileNameW(&of) ? WideToUtf8(file) : "";
  }
  of.Flags |= OFN_FILEMUSTEXIST;
  return ::GetOpenFileNameW(&of) ? WideToUtf8(file) : "";
}

constexpr wchar_t kProfiles[] = L"Profiles (*.json)\0*.json\0All files (*.*)\0*.*\0";

}  // namespace

std::string SystemBrowseUndoFile(HWND owner, const std::string& start) {
  return BrowseFile(owner, start, L"Undo files (*.reu)\0*.reu\0All files (*.*)\0*.*\0", L"reu",
                    false);
}

std::string SystemBrowseProfile(HWND owner, const std::string& start) {
  return BrowseFile(owner, start, kProfiles, L"json", false);
}

std::string SystemSaveProfile(HWND owner) {
  return BrowseFile(owner, "", kProfiles, L"json", true);
}

}  // namespace tolvern

#endif  // _WIN32
