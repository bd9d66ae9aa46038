#include "parsing/profile_checks.h"

namespace tolvern::profile_json {

void ProfileChecks::Problem(const std::string& path, const std::string& what) {
  problems_->push_back(
      path + (where_ ? " (line " + std::to_string(where_->LineOf(path)) + ")" : "") + ": " + what);
}

bool ProfileChecks::Expect(const Json& v, const std::string& path, Json::value_t type,
                           const char* what) {
  if (v.type() == type) return true;
  Problem(path, std::string("expected ") + what + ", found " + v.type_name());
  return false;
}

void ProfileChecks::Keys(const Json& object, const std::string& path,
                         std::initializer_list<const char*> known) {
  for (const auto& [key, value] : object.items()) {
    bool found = false;
    for (const char* k : known) found = found || key == k;
    if (!found) Problem(Member(path, key), "unknown key");
  }
}

// A class, unit or property name; the profile's own name may be any text.
std::string ProfileChecks::Name(const Json& v, const std::string& path, Text text) {
  if (!Expect(v, path, Json::value_t::string, "a string")) return "";
  std::string s = v.get<std::string>();
  if (s.empty())
    Problem(path, "must not be empty");
  else if (text == Text::kIdentifier && !IsIdentifier(s))
    Problem(path, "\"" + s + "\" is not a Pascal identifier");
  else if (text == Text::kProperty && !IsPropertyName(s))
    Problem(path, "\"" + s + "\" is not a property name");
  return s;
}

std::vector<std::string> ProfileChecks::Names(const Json& v, const std::string& path) {
  std::vector<std::string> names;
  if (!Expect(v, path, Json::value_t::array, "an array")) return names;
  for (size_t i = 0; i < v.size(); ++i) names.push_back(Name(v[i], Item(path, i)));
  return names;
}

}  // namespace tolvern::profile_json
