// Asks the desktop to open a document in the user's viewer. The answer is not
// awaited and failures are ignored, as for any "open with the default
// program" request.
#pragma once

#include <functional>
#include <string>

namespace tolvern {

void ShellOpen(const std::string& path);

// Replaces the handler for the life of this object (tests, hosts).
class ScopedShellOpen {
 public:
  explicit ScopedShellOpen(std::function<void(const std::string&)> handler);
  ~ScopedShellOpen();
  ScopedShellOpen(const ScopedShellOpen&) = delete;
  ScopedShellOpen& operator=(const ScopedShellOpen&) = delete;

 private:
  std::function<void(const std::string&)> previous_;
};

}  // namespace tolvern
