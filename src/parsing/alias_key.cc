#include "parsing/alias_key.h"

#include <cstdint>

#include "platform/text_encoding.h"
#include "streams/form_strings.h"

namespace tolvern {

namespace {

bool NeedsCodes(std::string_view name) {
  return !IsValidUtf8(name) || (!name.empty() && (name[0] == '\'' || name[0] == '#'));
}

}  // namespace

std::string AliasKey(std::string_view name) {
  if (!NeedsCodes(name)) return std::string(name);
  std::string key;
  bool quoted = false;
  auto quote = [&](bool on) {
    if (quoted != on) key += '\'';
    quoted = on;
  };
  for (size_t i = 0; i < name.size();) {
    const size_t start = i;
    std::uint32_t code = 0;
    // A character of valid UTF-8 goes quoted as its bytes; a byte that
    // starts none, a control character and the quote as a code.
    if (DecodeUtf8(name, &i, &code) && code >= 0x20 && code != '\'') {
      quote(true);
      key.append(name.substr(start, i - start));
      continue;
    }
    quote(false);
    key += "#" + std::to_string(static_cast<unsigned char>(name[start]));
    i = start + 1;
  }
  quote(false);
  return key.empty() ? "''" : key;
}

std::string AliasNameOfKey(std::string_view key) {
  if (key.empty() || (key[0] != '\'' && key[0] != '#')) return std::string(key);
  // Codes below 256 are bytes, whatever the text around them.
  if (std::optional<std::string> name = DecodeFormString(key, FormCharset::kAnsi)) return *name;
  return std::string(key);
}

}  // namespace tolvern
