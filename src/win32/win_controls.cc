#include "win32/win_controls.h"

#ifdef _WIN32

#include <commctrl.h>

namespace tolvern {

HINSTANCE DialogModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&DialogModule), &module);
  return module;
}

void InitDialogControls() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_LINK_CLASS |
                                            ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
}

namespace {
HANDLE ModuleManifest() {
  static HANDLE context = [] {
    HINSTANCE module = DialogModule();
    if (!::FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24)))
      return INVALID_HANDLE_VALUE;
    ACTCTXW ctx{};
    ctx.cbSize = sizeof(ctx);
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = module;
    ctx.lpResourceName = MAKEINTRESOURCEW(2);
    return ::CreateActCtxW(&ctx);
  }();
  return context;
}
}  // namespace

ScopedModuleManifest::ScopedModuleManifest() {
  HANDLE context = ModuleManifest();
  if (context != INVALID_HANDLE_VALUE) active_ = ::ActivateActCtx(context, &cookie_);
  InitDialogControls();
}

ScopedModuleManifest::~ScopedModuleManifest() {
  if (active_) ::DeactivateActCtx(0, cookie_);
}

std::string WindowText(HWND w) {
  const int n = ::GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(w, text.data(), n + 1)));
  return WideToUtf8(text);
}

void SetWindowTextUtf8(HWND w, const std::string& text) {
  ::SetWindowTextW(w, Utf8ToWide(text).c_str());
}

namespace {
struct Search {
  int id;
  HWND found;
};
BOOL CALLBACK MatchId(HWND w, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (::GetDlgCtrlID(w) != s->id) return TRUE;
  s->found = w;
  return FALSE;
}
}  // namespace

HWND FindControl(HWND root, int id) {
  Search s{id, nullptr};
  ::EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  ::MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), flags | MB_OK);
}

}  // namespace tolvern

#endif  // _WIN32
