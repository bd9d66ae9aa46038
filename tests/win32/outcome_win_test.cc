// The outcome of a run as a native dialog, driven as a user does: the icon
// of a failure, only the buttons of the documents the run left, the log
// read in the built-in view (single spaced), the to-do list in its table
// (sorted by file, then by the column clicked), the report opened in the
// browser, and the outcome kept open, saying where the report is, when no
// browser took it.
// commctrl.h needs the declarations of windows.h before it.
// clang-format off
#include "platform/windows_api.h"
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "win32/resource_ids.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_outcome_form.h"
#include "win32/win_run_views.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
using Step = ModalScript::Step;

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
bool Shown(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)); }

// The outcome dialog in front: does what act does with it.
Step OnOutcome(std::function<void(HWND)> act) {
  return [act](HWND w) {
    if (!::GetDlgItem(w, IDC_OC_TEXT)) return false;
    act(w);
    return true;
  };
}

std::string Cell(HWND list, int row, int column) {
  wchar_t text[512] = L"";
  ListView_GetItemText(list, row, column, text, 512);
  return WideToUtf8(text);
}

TodoItem Todo(TodoLevel level, const std::string& file, int line, const std::string& text) {
  TodoItem item;
  item.level = level;
  item.file = file;
  item.line = line;
  item.col = 3;
  item.text = text;
  item.advice = "look at it";
  return item;
}

TEST(WinOutcomeTest, AFailureShowsItsDocumentsAndStaysOpenWhenNoBrowserTakesTheReport) {
  ScratchDir dir;
  RunOutcome outcome;
  outcome.text = "Replace procedure was performed with errors.\nFiles left: 1";
  outcome.failure = true;
  outcome.log_path = dir.Write("app/Wiz_Log.txt", "Line one\r\n\r\nLine two\r\n\r\n");
  outcome.todo_path = dir / "app/Wiz_Todo.txt";
  outcome.todo = {Todo(TodoLevel::kNote, dir / "app/Main.pas", 40, "Query1.Prepare"),
                  Todo(TodoLevel::kError, dir / "app/Main.pas", 12, "Table1.Exclusive"),
                  Todo(TodoLevel::kWarning, dir / "app/Data.pas", 7, "Session.AddAlias")};
  outcome.report_path = dir / "app/Wiz_Report.html";
  TWinOutcomeForm form("BDE/ADO Migration Wizard", outcome);
  std::vector<std::string> opened;
  form.OpenReport = [&opened](const std::string& path) {
    opened.push_back(path);
    return false;
  };
  std::string text, title, log_text, log_title, todo_label, no_browser;
  HICON icon = nullptr;
  bool all_buttons = false;
  std::vector<std::string> by_file, by_level;
  ModalScript script({
      OnOutcome([&](HWND w) {
        text = WindowText(::GetDlgItem(w, IDC_OC_TEXT));
        title = WindowText(w);
        icon = reinterpret_cast<HICON>(::SendDlgItemMessageW(w, IDC_OC_ICON, STM_GETICON, 0, 0));
        all_buttons = Shown(w, IDC_BT_VIEW_LOG) && Shown(w, IDC_BT_VIEW_TODO) &&
                      Shown(w, IDC_BT_VIEW_REPORT) && Shown(w, IDOK);
        Click(w, IDC_BT_VIEW_LOG);
      }),
      [&](HWND w) {
        if (!::GetDlgItem(w, IDC_ED_LOG_TEXT)) return false;
        log_text = WindowText(::GetDlgItem(w, IDC_ED_LOG_TEXT));
        log_title = WindowText(w);
        ::SendMessageW(w, WM_COMMAND, IDCANCEL, 0);  // Escape
        return true;
      },
      OnOutcome([](HWND w) { Click(w, IDC_BT_VIEW_TODO); }),
      [&](HWND w) {
        HWND list = ::GetDlgItem(w, IDC_LV_TODO);
        if (!list) return false;
        todo_label = WindowText(::GetDlgItem(w, IDC_LBL_TODO_FILE));
        for (int r = 0; r < ListView_GetItemCount(list); ++r)
          by_file.push_back(Cell(list, r, 1) + ":" + Cell(list, r, 2));
        // A click on the Level column's header.
        NMLISTVIEW click{};
        click.hdr = {list, IDC_LV_TODO, LVN_COLUMNCLICK};
        click.iItem = -1;
        click.iSubItem = 0;
        ::SendMessageW(w, WM_NOTIFY, IDC_LV_TODO, reinterpret_cast<LPARAM>(&click));
        for (int r = 0; r < ListView_GetItemCount(list); ++r)
          by_level.push_back(Cell(list, r, 0) + " " + Cell(list, r, 5));
        ::SendMessageW(w, WM_COMMAND, IDOK, 0);  // Return
        return true;
      },
      OnOutcome([](HWND w) { Click(w, IDC_BT_VIEW_REPORT); }),
      [&](HWND box) {
        if (::GetDlgItem(box, IDC_OC_TEXT)) return false;
        no_browser = MessageBoxText(box);
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
      },
      // Still open after the report: OK ends it.
      OnOutcome([](HWND w) { Click(w, IDOK); }),
  });
  form.ShowModal(nullptr);
  EXPECT_TRUE(script.Done()) << script.StepsDone();
  EXPECT_EQ(title, "BDE/ADO Migration Wizard");
  EXPECT_EQ(text, "Replace procedure was performed with errors.\r\nFiles left: 1");
  EXPECT_EQ(icon, ::LoadIconW(nullptr, IDI_ERROR));
  EXPECT_TRUE(all_buttons);
  EXPECT_EQ(log_title, "BDE/ADO Migration Wizard - " + outcome.log_path);
  EXPECT_EQ(log_text, "Line one\r\nLine two\r\n");
  EXPECT_EQ(todo_label, "3 place(s) left for a person, listed in " + outcome.todo_path);
  EXPECT_EQ(by_file, (std::vector<std::string>{"Data.pas:7", "Main.pas:12", "Main.pas:40"}));
  EXPECT_EQ(by_level,
            (std::vector<std::string>{"error Table1.Exclusive", "warning Session.AddAlias",
                                      "note Query1.Prepare"}));
  EXPECT_EQ(opened, std::vector<std::string>{outcome.report_path});
  EXPECT_EQ(no_browser, "No browser was found to open the report. It is in " + outcome.report_path);
}

TEST(WinOutcomeTest, ASuccessWithoutDocumentsHasOnlyOkAndABrowserLeavesNoBox) {
  RunOutcome outcome;
  outcome.text = "Replace procedure was performed sucessfully.";
  HICON icon = nullptr;
  bool log = true, todo = true, report = true;
  RunOutcome with_report = outcome;
  with_report.report_path = "C:\\app\\Wiz_Report.html";
  TWinOutcomeForm plain("T", outcome);
  ModalScript first({OnOutcome([&](HWND w) {
    icon = reinterpret_cast<HICON>(::SendDlgItemMessageW(w, IDC_OC_ICON, STM_GETICON, 0, 0));
    log = Shown(w, IDC_BT_VIEW_LOG);
    todo = Shown(w, IDC_BT_VIEW_TODO);
    report = Shown(w, IDC_BT_VIEW_REPORT);
    ::SendMessageW(w, WM_COMMAND, IDCANCEL, 0);  // Escape
  })});
  plain.ShowModal(nullptr);
  EXPECT_TRUE(first.Done());
  EXPECT_EQ(icon, ::LoadIconW(nullptr, IDI_INFORMATION));
  EXPECT_FALSE(log || todo || report);

  // The report opened: no box, and the outcome waits for OK.
  TWinOutcomeForm form("T", with_report);
  int opened = 0;
  form.OpenReport = [&opened](const std::string&) { return ++opened > 0; };
  bool report_first = false;
  ModalScript second({OnOutcome([&](HWND w) {
                        RECT r, ok;
                        ::GetWindowRect(::GetDlgItem(w, IDC_BT_VIEW_REPORT), &r);
                        ::GetWindowRect(::GetDlgItem(w, IDC_BT_VIEW_LOG), &ok);
                        report_first = r.left == ok.left;  // in the place of the first button
                        Click(w, IDC_BT_VIEW_REPORT);
                      }),
                      OnOutcome([](HWND w) { Click(w, IDOK); })});
  form.ShowModal(nullptr);
  EXPECT_TRUE(second.Done());
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(report_first);
}

TEST(WinOutcomeTest, TheLogViewSaysWhyALogCannotBeRead) {
  ScratchDir dir;
  const std::string missing = dir / "Wiz_Log.txt";
  const std::string text = LogViewText(missing);
  EXPECT_EQ(text.rfind(missing + ": ", 0), 0u) << text;
  EXPECT_GT(text.size(), missing.size() + 2);
}

}  // namespace
}  // namespace tolvern
