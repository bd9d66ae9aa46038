#include "engine/table_file_advice.h"

#include "base/ascii_text.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

// Whether a name ends in ext, letter case ignored.
bool EndsWithText(std::string_view name, std::string_view ext) {
  return name.size() >= ext.size() && SameText(name.substr(name.size() - ext.size()), ext);
}

// The first string of a text that names a table file, as the scanner reads
// it; *tokens: the text's significant tokens.
std::string FirstTableFile(std::string_view value, int* tokens) {
  TPasParser scanner(value);
  scanner.KeepQuotes = false;
  std::string token, file;
  *tokens = 0;
  for (int code; (code = scanner.GetNext(token)) != kTokEnd;) {
    if (code == kTokBlank || code == kTokComment) continue;
    ++*tokens;
    if (code == kTokString && file.empty() &&
        (EndsWithText(token, ".DB") || EndsWithText(token, ".DBF")))
      file = token;
  }
  return file;
}

std::string WithoutFolder(const std::string& file) {
  const size_t slash = file.find_last_of("\\/:");
  return file.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

std::string TableFileAdvice(std::string_view value) {
  // The strings of the value: a name built of pieces ("Path +
  // 'Customers.DB'", ChangeFileExt(Name, '.DBF')) holds the extension in
  // one of them.
  int tokens = 0;
  const std::string file = FirstTableFile(value, &tokens);
  if (file.empty()) return "";
  const bool dbase = EndsWithText(file, ".DBF");
  std::string advice = std::string(dbase ? "a dBASE" : "a Paradox") +
                       " table file: the table's data must move to the new database; the name " +
                       "may need its extension dropped";
  // A name given whole is shown as it would be without its folder and
  // extension.
  if (tokens == 1) {
    std::string stem = WithoutFolder(file);
    stem.resize(stem.size() - (dbase ? 4 : 3));
    if (!stem.empty()) advice += " (" + stem + ")";
  }
  return advice;
}

std::string TableFileNamed(std::string_view text) {
  int tokens = 0;
  return WithoutFolder(FirstTableFile(text, &tokens));
}

}  // namespace tolvern
