// Compiled by the format_count_* tests, never linked. As it stands each
// Format call has as many arguments as its text has placeholders, and the
// file compiles; with TOLVERN_TOO_FEW or TOLVERN_TOO_MANY one call has one
// argument too few or too many, and the compile must fail in the checker.
#include <string>

#include "base/system_texts.h"

namespace tolvern::res {

std::string Calls(const std::string& path) {
#if defined(TOLVERN_TOO_FEW)
  return Format(kFailedToBackUp, {path});
#elif defined(TOLVERN_TOO_MANY)
  return Format(kProcessingFile, {path, path});
#else
  return Format(kFailedToBackUp, {path, path + ".bak"}) + Format(kProcessingFile, {path});
#endif
}

}  // namespace tolvern::res
