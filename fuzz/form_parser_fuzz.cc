// Fuzz target: the form-text grammar with the Nexa conversions. From every
// header keyword of the input, a parse either fails or ends inside the text
// after the keyword, and the rendered object parses again as one whole
// object; nothing crashes, hangs or reads out of bounds. Nesting beyond the
// engine's limit is the one error a parse may raise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "parsing/nx_form_parser.h"
#include "parsing/pascal_scanner.h"

using namespace tolvern;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TNXFormParser parser;
  const std::string text(reinterpret_cast<const char*>(data), size);
  TPasParser scanner(text);
  std::string_view token;
  int objects = 0;
  for (int code; (code = scanner.GetNext(&token)) != kTokEnd && objects < 64;) {
    if (code != kTokObject && code != kTokInherited && code != kTokInline) continue;
    ++objects;
    const int start = scanner.PrevPos() + 1;
    int pos = start;
    parser.SetTargetClassName(objects % 2 ? "TNXQuery" : "TNXConnection");
    try {
      if (!parser.Parse(text, "<object>", pos)) continue;
    } catch (const EGrammarError&) {
      continue;
    }
    if (pos <= start || pos > static_cast<int>(size) + 1) std::abort();
    std::string rendered;
    parser.GetObjectText(0, rendered);
    if (rendered.empty()) continue;  // an object without a name
    int again = 1;
    if (!parser.Parse(rendered, "<object>", again) ||
        again != static_cast<int>(rendered.size()) + 1)
      std::abort();
  }
  return 0;
}
