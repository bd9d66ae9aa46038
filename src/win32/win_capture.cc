#include "win32/win_capture.h"

#ifdef _WIN32

#include <map>

#include "platform/disk.h"
#include "win32/win_controls.h"

namespace tolvern {

bool SaveWindowBitmap(HWND window, const std::string& bmp_path) {
  // In front and drawn to the end, frame and children included.
  ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::GdiFlush();
  RECT r;
  if (!::GetWindowRect(window, &r)) return false;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    ::ReleaseDC(nullptr, screen);
    ::DeleteDC(dc);
    return false;
  }
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  // The pixels on the screen, as the user sees them; where the screen cannot
  // be read, the window's own drawing of itself.
  bool drawn = ::BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  if (!drawn) drawn = ::PrintWindow(window, dc, 0);
  ::GdiFlush();
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const size_t size = stride * static_cast<size_t>(h);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
  std::string data(reinterpret_cast<const char*>(&file), sizeof(file));
  bi.bmiHeader.biSizeImage = static_cast<DWORD>(size);
  data.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
  data.append(static_cast<const char*>(bits), size);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  std::string why;
  return drawn && RealDisk().WriteFile(bmp_path, data, &why);
}

namespace {
BOOL CALLBACK FrontWindow(HWND w, LPARAM param) {
  auto* found = reinterpret_cast<HWND*>(param);
  if (!::IsWindowVisible(w) || !::IsWindowEnabled(w)) return TRUE;
  *found = w;  // the thread's windows come front to back: the first one
  return FALSE;
}

std::map<UINT_PTR, ModalScript*>& Scripts() {
  static std::map<UINT_PTR, ModalScript*> scripts;
  return scripts;
}
}  // namespace

HWND ActiveDialogOfThread() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FrontWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string MessageBoxText(HWND box) {
  // A message box's text is its static control 0xFFFF.
  HWND text = ::GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::string();
}

ModalScript::ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
  timer_ = ::SetTimer(nullptr, 0, 10, Tick);
  Scripts()[timer_] = this;
}

ModalScript::~ModalScript() {
  ::KillTimer(nullptr, timer_);
  Scripts().erase(timer_);
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto at = Scripts().find(id);
  if (at != Scripts().end()) at->second->Run();
}

void ModalScript::Run() {
  if (Done()) return;
  HWND dialog = ActiveDialogOfThread();
  if (!dialog) return;
  // The step counts as done before it acts: a step whose action opens a
  // modal dialog of its own (a click that shows a box) lets the next step
  // act on that dialog, from the timer inside the new modal loop.
  const size_t step = next_++;
  if (!steps_[step](dialog) && next_ == step + 1) next_ = step;
}

}  // namespace tolvern

#endif  // _WIN32
