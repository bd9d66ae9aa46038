#include "win32/win_run_views.h"

#ifdef _WIN32

#include <commctrl.h>

#include <algorithm>
#include <tuple>

#include "base/paths.h"
#include "platform/disk.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// The log's bytes are in the system's code page, as the run wrote them.
std::string FromCodePage(const std::string& bytes) {
  if (bytes.empty()) return bytes;
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return WideToUtf8(wide);
}

struct LogView {
  std::string title, path;
  HFONT font = nullptr;
};

INT_PTR CALLBACK LogProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* view = reinterpret_cast<LogView*>(lp);
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    SetWindowTextUtf8(w, view->title + " - " + view->path);
    HWND text = ::GetDlgItem(w, IDC_ED_LOG_TEXT);
    // A fixed-pitch font, as tall as the dialog's, keeps the log's columns.
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    LOGFONTW fixed{};
    fixed.lfHeight = lf.lfHeight;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    ::wcscpy(fixed.lfFaceName, L"Courier New");
    view->font = ::CreateFontIndirectW(&fixed);
    ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(view->font), FALSE);
    ::SendMessageW(text, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextUtf8(text, LogViewText(view->path));
    // The close button has the focus: Return and Escape both close.
    ::SetFocus(::GetDlgItem(w, IDCANCEL));
    return FALSE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK)) {
    ::EndDialog(w, IDCANCEL);
    return TRUE;
  }
  if (msg == WM_DESTROY) {
    auto* view = reinterpret_cast<LogView*>(::GetWindowLongPtrW(w, DWLP_USER));
    if (view && view->font) ::DeleteObject(view->font);
  }
  return FALSE;
}

enum Column { kLevel, kFile, kLine, kColumn, kKind, kPlace, kAdvice };
constexpr std::pair<const char*, int> kTodoColumns[] = {
    {"Level", 60}, {"File", 200},  {"Line", 45},       {"Column", 50},
    {"Kind", 90},  {"Place", 180}, {"What to do", 260}};

struct TodoView {
  std::string title, list_path, folder;
  std::vector<TodoItem> items;
  int sort_column = kFile;
};

std::string CellText(const TodoView& view, const TodoItem& item, int column) {
  switch (column) {
    case kLevel:
      return std::string(ToString(item.level));
    case kFile: {
      // The tree of the run is left out of the file names shown.
      const bool inside = !view.folder.empty() && item.file.starts_with(view.folder);
      return inside ? item.file.substr(view.folder.size()) : item.file;
    }
    case kLine:
      return std::to_string(item.line);
    case kColumn:
      return std::to_string(item.col);
    case kKind:
      return std::string(ToString(item.kind));
    case kPlace:
      return item.text;
  }
  return item.advice;
}

// Sorted by the column, then by file, line and column, so that a sort by
// level keeps each level in reading order; the levels sort from the most
// pressing, as they are declared.
void FillTodoList(HWND list, TodoView& view) {
  const int c = view.sort_column;
  std::stable_sort(
      view.items.begin(), view.items.end(), [&view, c](const TodoItem& a, const TodoItem& b) {
        auto key = [&view, c](const TodoItem& i) {
          const int first = c == kLevel    ? static_cast<int>(i.level)
                            : c == kLine   ? i.line
                            : c == kColumn ? i.col
                                           : 0;
          const std::string text =
              c == kLevel || c == kLine || c == kColumn ? std::string() : CellText(view, i, c);
          return std::make_tuple(first, text, i.file, i.line, i.col);
        };
        return key(a) < key(b);
      });
  ListView_DeleteAllItems(list);
  for (size_t row = 0; row < view.items.size(); ++row) {
    LVITEMW item{};
    item.iItem = static_cast<int>(row);
    ListView_InsertItem(list, &item);
    for (int col = kLevel; col <= kAdvice; ++col) {
      std::wstring text = Utf8ToWide(CellText(view, view.items[row], col));
      ListView_SetItemText(list, static_cast<int>(row), col, text.data());
    }
  }
}

INT_PTR CALLBACK TodoProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* view = reinterpret_cast<TodoView*>(::GetWindowLongPtrW(w, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    view = reinterpret_cast<TodoView*>(lp);
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    SetWindowTextUtf8(w, view->title + " - To-do list");
    const std::string count = std::to_string(view->items.size());
    SetWindowTextUtf8(::GetDlgItem(w, IDC_LBL_TODO_FILE),
                      view->list_path.empty()
                          ? count + " place(s) left for a person."
                          : count + " place(s) left for a person, listed in " + view->list_path);
    HWND list = ::GetDlgItem(w, IDC_LV_TODO);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    int at = 0;
    for (const auto& [title, width] : kTodoColumns) {
      std::wstring text = Utf8ToWide(title);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = text.data();
      column.cx = width;
      ListView_InsertColumn(list, at++, &column);
    }
    FillTodoList(list, *view);
    // The advice as wide as its longest, the list scrolling sideways to it.
    ListView_SetColumnWidth(list, kAdvice, LVSCW_AUTOSIZE);
    ::SetFocus(list);
    return FALSE;
  }
  if (!view) return FALSE;
  if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK)) {
    ::EndDialog(w, IDCANCEL);
    return TRUE;
  }
  if (msg == WM_NOTIFY) {
    auto* n = reinterpret_cast<NMHDR*>(lp);
    if (n->idFrom == IDC_LV_TODO && n->code == LVN_COLUMNCLICK) {
      view->sort_column = reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem;
      FillTodoList(n->hwndFrom, *view);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

std::string LogViewText(const std::string& path) {
  std::string data, why;
  if (!RealDisk().ReadFile(path, &data, &why)) return path + ": " + why;
  // The log is double spaced with CR LF: one line of the view per line.
  std::string shown = Replaced(Replaced(FromCodePage(data), "\r\n\r\n", "\n"), "\r\n", "\n");
  return Replaced(shown, "\n", "\r\n");
}

void ShowWinLogView(HWND owner, const std::string& title, const std::string& path) {
  ScopedModuleManifest manifest;
  LogView view{title, path};
  ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_LOG_VIEW), owner, LogProc,
                    reinterpret_cast<LPARAM>(&view));
}

void ShowWinTodoView(HWND owner, const std::string& title, const std::vector<TodoItem>& items,
                     const std::string& list_path) {
  ScopedModuleManifest manifest;
  TodoView view{title, list_path, ExtractFilePath(list_path), items};
  ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_TODO_VIEW), owner, TodoProc,
                    reinterpret_cast<LPARAM>(&view));
}

}  // namespace tolvern

#endif  // _WIN32
