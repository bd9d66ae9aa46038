#include "win32/win_host_window.h"

#ifdef _WIN32

#include <commdlg.h>

#include "win32/win_controls.h"

namespace tolvern {

namespace {

constexpr wchar_t kClassName[] = L"TolvernHostWindow";
constexpr int kOpenProject = 100;
constexpr int kCloseAll = 101;
constexpr int kExit = 102;
constexpr int kFirstWizardItem = 1000;

// The host whose entry point call is under way: the registration callback
// hands it the expert.
WinHostWindow* g_registering = nullptr;

bool WINAPI RegisterWizard(IOTAWizard* wizard) {
  if (!g_registering) return false;
  g_registering->AdoptWizard(wizard);
  return true;
}

}  // namespace

WinHostWindow::WinHostWindow() = default;

WinHostWindow::~WinHostWindow() {
  // The experts go before the modules that hold their code.
  items_.clear();
  wizards_.clear();
  for (HMODULE m : modules_) ::FreeLibrary(m);
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (keys_) ::DestroyAcceleratorTable(keys_);
}

HWND WinHostWindow::Create() {
  InitDialogControls();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = DialogModule();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);  // fails harmlessly when registered already
  HMENU bar = ::CreateMenu();
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kOpenProject, L"&Open Project...\tCtrl+O");
  ::AppendMenuW(file, MF_STRING, kCloseAll, L"&Close All");
  ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(file, MF_STRING, kExit, L"E&xit");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  nexa_menu_ = ::CreatePopupMenu();
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(nexa_menu_), L"&Nexa");
  for (size_t i = 0; i < items_.size(); ++i)
    ::AppendMenuW(nexa_menu_, MF_STRING, kFirstWizardItem + i,
                  Utf8ToWide(items_[i].caption).c_str());
  // The keys the menu names.
  ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'O', kOpenProject}};
  if (!keys_) keys_ = ::CreateAcceleratorTableW(keys, 1);
  hwnd_ = ::CreateWindowExW(0, kClassName, L"Tolvern", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 560, 380, nullptr, bar, DialogModule(), this);
  ShowModules();
  return hwnd_;
}

bool WinHostWindow::TranslateKeys(MSG* msg) {
  // Only for the host's own window and its children, not for a dialog over it.
  if (!hwnd_ || !keys_ || (msg->hwnd != hwnd_ && !::IsChild(hwnd_, msg->hwnd))) return false;
  return ::TranslateAcceleratorW(hwnd_, keys_, msg) != 0;
}

LRESULT CALLBACK WinHostWindow::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<WinHostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    ::SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = w;
  }
  auto* self = reinterpret_cast<WinHostWindow*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
  return self ? self->OnMessage(msg, wp, lp) : ::DefWindowProcW(w, msg, wp, lp);
}

LRESULT WinHostWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                                0, hwnd_, nullptr, DialogModule(), nullptr);
      ::SendMessageW(list_, WM_SETFONT,
                     reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == kOpenProject) {
        wchar_t file[32768] = L"";
        OPENFILENAMEW of{};
        of.lStructSize = sizeof(of);
        of.hwndOwner = hwnd_;
        of.lpstrFilter = L"Pascal projects (*.dpr)\0*.dpr\0All files (*.*)\0*.*\0";
        of.lpstrFile = file;
        of.nMaxFile = 32768;
        of.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
        if (::GetOpenFileNameW(&of)) OpenProjectFile(WideToUtf8(file));
      } else if (id == kCloseAll) {
        CloseProjectGroup();
      } else if (id == kExit) {
        ::DestroyWindow(hwnd_);
      } else if (id >= kFirstWizardItem &&
                 id < kFirstWizardItem + static_cast<int>(items_.size())) {
        // A copy: an invocation may add items or end the host's loop.
        std::function<void()> click = items_[static_cast<size_t>(id - kFirstWizardItem)].on_click;
        click();
      }
      return 0;
    }
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (quit_when_closed_) ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void WinHostWindow::Layout() {
  RECT r;
  ::GetClientRect(hwnd_, &r);
  ::MoveWindow(list_, 0, 0, r.right, r.bottom, TRUE);
}

bool WinHostWindow::LoadExpert(const std::string& path, std::string* error) {
  HMODULE module = ::LoadLibraryW(WidePath(path).c_str());
  if (!module) {
    if (error) *error = path + ": " + ErrorText(::GetLastError());
    return false;
  }
  auto entry = reinterpret_cast<InitWizardProc>(
      reinterpret_cast<void*>(::GetProcAddress(module, "INITWIZARD0001")));
  if (!entry) {
    if (error) *error = path + ": no INITWIZARD0001 entry point";
    ::FreeLibrary(module);
    return false;
  }
  g_registering = this;
  entry(this, &RegisterWizard, nullptr);
  g_registering = nullptr;
  modules_.push_back(module);
  return true;
}

bool WinHostWindow::OpenProjectFile(const std::string& file) {
  try {
    Load(file);
  } catch (const std::exception& e) {
    ShowMessageBox(hwnd_, e.what(), "Tolvern", MB_ICONERROR);
    return false;
  }
  ShowModules();
  return true;
}

bool WinHostWindow::ChooseMenuItem(const std::string& name) {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].name != name) continue;
    std::function<void()> click = items_[i].on_click;
    click();
    return true;
  }
  return false;
}

bool WinHostWindow::CloseProjectGroup() {
  const bool ok = ProjectHost::CloseProjectGroup();
  ShowModules();
  return ok;
}

bool WinHostWindow::OpenProject(const std::string& file_name) {
  const bool ok = ProjectHost::OpenProject(file_name);
  ShowModules();
  return ok;
}

void WinHostWindow::AddWizard(const std::string& caption, const std::string& name,
                              std::function<void()> on_click) {
  items_.push_back({caption, name, std::move(on_click)});
  if (nexa_menu_) {
    ::AppendMenuW(nexa_menu_, MF_STRING, kFirstWizardItem + items_.size() - 1,
                  Utf8ToWide(caption).c_str());
    if (hwnd_) ::DrawMenuBar(hwnd_);
  }
}

void WinHostWindow::ShowModules() {
  if (!hwnd_) return;
  ::SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  if (!HasProject()) {
    ::SetWindowTextW(hwnd_, L"Tolvern");
    return;
  }
  SetWindowTextUtf8(hwnd_, "Tolvern - " + ProjectFileName());
  for (int i = 0; i < ProjectModuleCount(); ++i)
    ::SendMessageW(list_, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Utf8ToWide(ProjectModuleFileName(i)).c_str()));
}

}  // namespace tolvern

#endif  // _WIN32
