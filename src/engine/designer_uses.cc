#include "engine/designer_uses.h"

#include "base/ascii_text.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

std::string AddImplementationUses(std::string_view text, const std::vector<std::string>& units,
                                  const std::string& eol) {
  const PasTokens tokens = SignificantTokens(text);
  FoldedSet named;
  size_t implementation = tokens.size();
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokIdent && SameText(t.text, "implementation") &&
        implementation == tokens.size())
      implementation = i;
    if (t.code != kTokUses) continue;
    for (++i; i < tokens.size() && tokens[i].code != kTokSemicolon; ++i)
      if (tokens[i].code == kTokIdent) named.insert(std::string(tokens[i].text));
  }
  if (implementation == tokens.size()) return std::string(text);
  std::string added;
  for (const std::string& u : units) {
    if (u.empty() || !named.insert(u).second) continue;
    added += (added.empty() ? "" : ", ") + u;
  }
  if (added.empty()) return std::string(text);
  std::string out(text);
  const size_t next = implementation + 1;
  if (next < tokens.size() && tokens[next].code == kTokUses) {
    size_t end = next + 1;
    while (end < tokens.size() && tokens[end].code != kTokSemicolon) ++end;
    if (end == tokens.size()) return std::string(text);  // a clause without its end
    out.insert(tokens[end].offset, ", " + added);
    return out;
  }
  const PasToken word = tokens[implementation];
  out.insert(word.offset + word.text.size(), eol + eol + "uses " + added + ";");
  return out;
}

}  // namespace tolvern
