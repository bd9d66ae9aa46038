#include "platform/message_box.h"

#include <cstdio>

namespace tolvern {

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler = [](const std::string& text, const std::string& caption, int) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  };
  return handler;
}
}  // namespace

void AppMessageBox(const std::string& text, const std::string& caption, int flags) {
  Handler()(text, caption, flags);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

}  // namespace tolvern
