#include "platform/shell.h"

#ifdef _WIN32
// shellapi.h needs the declarations of windows.h before it.
// clang-format off
#include "platform/windows_api.h"
#include <shellapi.h>
// clang-format on
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvern {

namespace {

void DefaultOpen(const std::string& path) {
#ifdef _WIN32
  ShellExecuteW(nullptr, L"open", WidePath(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
#else
  // Double fork so the viewer is not our child and never a zombie.
  pid_t pid = fork();
  if (pid < 0) return;
  if (pid == 0) {
    if (fork() == 0) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
      }
      execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
#endif
}

std::function<void(const std::string&)>& Handler() {
  static std::function<void(const std::string&)> handler = DefaultOpen;
  return handler;
}

}  // namespace

void ShellOpen(const std::string& path) { Handler()(path); }

ScopedShellOpen::ScopedShellOpen(std::function<void(const std::string&)> handler)
    : previous_(std::move(Handler())) {
  Handler() = std::move(handler);
}

ScopedShellOpen::~ScopedShellOpen() { Handler() = std::move(previous_); }

}  // namespace tolvern
