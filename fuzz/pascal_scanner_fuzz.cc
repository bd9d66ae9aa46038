// Fuzz target: the scanner must give back every input exactly, with every
// token non-empty and the positions in order, and never crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "parsing/pascal_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tolvern::TPasParser scanner(text);
  std::string joined;
  std::string_view token;
  while (scanner.GetNext(&token) != tolvern::kTokEnd) {
    if (token.empty() || static_cast<size_t>(scanner.PrevPos()) != joined.size()) std::abort();
    joined += token;
  }
  if (joined != text) std::abort();
  // The value form of strings must not read out of bounds either.
  scanner.SetText(text);
  scanner.KeepQuotes = false;
  std::string value;
  while (scanner.GetNext(value) != tolvern::kTokEnd) {
  }
  return 0;
}
