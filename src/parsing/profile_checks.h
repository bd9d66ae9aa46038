// What every part of a profile's reading shares: the problems found so far,
// each with its JSON path and line, and the checks of a value's kind and of
// the names it gives.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "parsing/json_locator.h"

namespace tolvern::profile_json {

// The names of a table, for a message: "a, b, c".
template <size_t N>
std::string OneOf(const char* const (&names)[N]) {
  std::string s;
  for (const char* n : names) s += (s.empty() ? "" : ", ") + std::string(n);
  return s;
}

template <size_t N>
bool Contains(const char* const (&names)[N], const std::string& name) {
  return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

class ProfileChecks {
 public:
  // Each problem is appended to *problems as "$.path (line N): what is
  // wrong"; the line when where is given.
  explicit ProfileChecks(std::vector<std::string>* problems, const LocatingReader* where = nullptr)
      : problems_(problems), where_(where) {}

  enum class Text { kAny, kIdentifier, kProperty };

  void Problem(const std::string& path, const std::string& what);
  bool Expect(const Json& v, const std::string& path, Json::value_t type, const char* what);
  // Names each key of object that is not one of known.
  void Keys(const Json& object, const std::string& path, std::initializer_list<const char*> known);
  // A class, unit or property name; the profile's own name may be any text.
  std::string Name(const Json& v, const std::string& path, Text text = Text::kIdentifier);
  std::vector<std::string> Names(const Json& v, const std::string& path);

 private:
  std::vector<std::string>* problems_;
  const LocatingReader* where_;
};

}  // namespace tolvern::profile_json
