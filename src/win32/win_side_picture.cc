#include "win32/win_side_picture.h"

#ifdef _WIN32

#include <cwchar>

namespace tolvern {

namespace {

void DrawGradient(HDC dc, const RECT& r) {
  const int h = r.bottom - r.top;
  for (int y = 0; y < h; y += 2) {
    const int t = y * 256 / (h ? h : 1);
    HBRUSH b = ::CreateSolidBrush(
        RGB(16 + (64 - 16) * t / 256, 48 + (160 - 48) * t / 256, 112 + (208 - 112) * t / 256));
    RECT band{r.left, r.top + y, r.right, r.top + y + 2};
    ::FillRect(dc, &band, b);
    ::DeleteObject(b);
  }
}

}  // namespace

void DrawSidePicture(const DRAWITEMSTRUCT& d) {
  const RECT& r = d.rcItem;
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC dc = d.hDC;
  DrawGradient(dc, r);
  auto sx = [&](int x) { return r.left + x * w / 120; };
  auto sy = [&](int y) { return r.top + y * h / 260; };
  HPEN white = ::CreatePen(PS_SOLID, (w + 59) / 60, RGB(255, 255, 255));
  HGDIOBJ old_pen = ::SelectObject(dc, white);
  auto drum = [&](int x, int y, COLORREF c) {
    HBRUSH b = ::CreateSolidBrush(c);
    HGDIOBJ old = ::SelectObject(dc, b);
    ::Rectangle(dc, sx(x), sy(y + 6), sx(x + 44), sy(y + 40));
    ::Ellipse(dc, sx(x), sy(y + 34), sx(x + 44), sy(y + 46));
    ::Ellipse(dc, sx(x), sy(y), sx(x + 44), sy(y + 12));
    ::SelectObject(dc, old);
    ::DeleteObject(b);
  };
  drum(38, 30, RGB(150, 150, 160));
  drum(38, 150, RGB(240, 150, 40));
  HPEN arrow = ::CreatePen(PS_SOLID, (w + 39) / 40, RGB(255, 255, 255));
  ::SelectObject(dc, arrow);
  ::MoveToEx(dc, sx(60), sy(92), nullptr);
  ::LineTo(dc, sx(60), sy(136));
  ::MoveToEx(dc, sx(52), sy(126), nullptr);
  ::LineTo(dc, sx(60), sy(138));
  ::LineTo(dc, sx(68), sy(126));
  ::SelectObject(dc, old_pen);
  ::DeleteObject(arrow);
  ::DeleteObject(white);
  LOGFONTW lf{};
  lf.lfHeight = -(h * 20 / 260);
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = CLEARTYPE_QUALITY;
  wcscpy(lf.lfFaceName, L"Segoe UI");
  HFONT f = ::CreateFontIndirectW(&lf);
  HGDIOBJ old_font = ::SelectObject(dc, f);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  RECT text{r.left, sy(212), r.right, sy(242)};
  ::DrawTextW(dc, L"Nexa", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectObject(dc, old_font);
  ::DeleteObject(f);
}

}  // namespace tolvern

#endif  // _WIN32
