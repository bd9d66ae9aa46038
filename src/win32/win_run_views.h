// The documents of a run, read inside the native wizard: the log as
// read-only text, and the to-do list as a table sorted by the column whose
// header is clicked. They serve a desktop without a viewer as well as one
// with.
#pragma once

#ifdef _WIN32

#include <string>
#include <vector>

#include "engine/todo_item.h"
#include "platform/windows_api.h"

namespace tolvern {

// The text the log view shows of the log at path: its lines, single spaced,
// broken with CR LF; why it cannot be read when it cannot.
std::string LogViewText(const std::string& path);

// Shows the log at path modally over owner.
void ShowWinLogView(HWND owner, const std::string& title, const std::string& path);

// Shows the to-do items of a run modally over owner; list_path names the
// file that holds them ("" for none).
void ShowWinTodoView(HWND owner, const std::string& title, const std::vector<TodoItem>& items,
                     const std::string& list_path);

}  // namespace tolvern

#endif  // _WIN32
