// Fuzz target: reading the units of a project file never crashes, hangs or
// reads out of bounds; every unit path it gives is a string literal that the
// text writes (quotes doubled; the last may be cut short by the end), and it
// becomes a path below the project's
// folder or an absolute one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/file_utils.h"
#include "ide/project_host.h"

using namespace tolvern;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& written : ProjectHost::UnitPathsOf(text)) {
    std::string literal = "'";
    for (char c : written) literal += c == '\'' ? std::string("''") : std::string(1, c);
    if (text.find(literal) == std::string::npos) std::abort();
    const std::string path = ExpandPath(NativeSeparators(written), "/project");
    if (path.empty() && !written.empty()) std::abort();
  }
  return 0;
}
