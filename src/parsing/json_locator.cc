#include "parsing/json_locator.h"

#include <algorithm>

namespace tolvern::profile_json {

bool IsIdentifier(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// A property name as forms write it: identifiers joined by dots.
bool IsPropertyName(std::string_view s) {
  for (size_t dot; (dot = s.find('.')) != std::string_view::npos; s.remove_prefix(dot + 1))
    if (!IsIdentifier(s.substr(0, dot))) return false;
  return IsIdentifier(s);
}

// A member's JSON path: $.a.b, or $.a["Params.Strings"] for a name that is
// not an identifier.
std::string Member(const std::string& path, const std::string& key) {
  return IsIdentifier(key) ? path + "." + key : path + "[" + Json(key).dump() + "]";
}
std::string Item(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

void LocateJson(std::string_view text, LocatingReader* reader, const char** reached) {
  *reached = text.data();
  Json::sax_parse(CountingChars(text.data(), reached),
                  CountingChars(text.data() + text.size(), reached), reader);
}

}  // namespace tolvern::profile_json
