#include "engine/table_file_advice.h"

#include "base/ascii_text.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

// Whether a name ends in ext, letter case ignored.
bool EndsWithText(std::string_view name, std::string_view ext) {
  return name.size() >= ext.size() && SameText(name.substr(name.size() - ext.size()), ext);
}

}  // namespace

std::string TableFileAdvice(std::string_view value) {
  // The strings of the value, as the scanner reads them: a name built of
  // pieces ("Path + 'Customers.DB'", ChangeFileExt(Name, '.DBF')) holds
  // the extension in one of them.
  TPasParser scanner(value);
  scanner.KeepQuotes = false;
  std::string token, file;
  int tokens = 0;
  for (int code; (code = scanner.GetNext(token)) != kTokEnd;) {
    if (code == kTokBlank || code == kTokComment) continue;
    ++tokens;
    if (code == kTokString && file.empty() &&
        (EndsWithText(token, ".DB") || EndsWithText(token, ".DBF")))
      file = token;
  }
  if (file.empty()) return "";
  const bool dbase = EndsWithText(file, ".DBF");
  std::string advice = std::string(dbase ? "a dBASE" : "a Paradox") +
                       " table file: the table's data must move to the new database; the name " +
                       "may need its extension dropped";
  // A name given whole is shown as it would be without its folder and
  // extension.
  if (tokens == 1) {
    const size_t slash = file.find_last_of("\\/:");
    std::string stem = file.substr(slash == std::string::npos ? 0 : slash + 1);
    stem.resize(stem.size() - (dbase ? 4 : 3));
    if (!stem.empty()) advice += " (" + stem + ")";
  }
  return advice;
}

}  // namespace tolvern
