#include "parsing/json_path.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tolvern::profile_json {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the JSON string that opens at text[open] (just past its
// closing quote), or npos when it is not closed.
size_t StringEnd(std::string_view text, size_t open) {
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '\\')
      ++i;
    else if (text[i] == '"')
      return i + 1;
  }
  return std::string_view::npos;
}

// The step at path[*at] ("." key, "[" index "]" or "[" JSON string "]"),
// moving *at past it; nothing when no step starts there.
std::optional<PathStep> NextStep(std::string_view path, size_t* at) {
  size_t i = *at;
  PathStep step;
  if (path[i] == '.') {
    const size_t end = std::min(path.find_first_of(".[", i + 1), path.size());
    step.key = std::string(path.substr(i + 1, end - i - 1));
    if (!IsIdentifier(step.key)) return std::nullopt;
    *at = end;
    return step;
  }
  if (path[i] != '[' || i + 1 >= path.size()) return std::nullopt;
  size_t close;
  if (path[i + 1] == '"') {
    const size_t end = StringEnd(path, i + 1);
    if (end == std::string_view::npos) return std::nullopt;
    const auto key = nlohmann::json::parse(path.substr(i + 1, end - i - 1), nullptr, false);
    if (!key.is_string()) return std::nullopt;
    step.key = key.get<std::string>();
    close = end;
  } else {
    step.index = 0;
    for (close = i + 1; close < path.size() && IsDigit(path[close]); ++close)
      step.index = step.index * 10 + static_cast<size_t>(path[close] - '0');
    if (close == i + 1) return std::nullopt;
  }
  if (close >= path.size() || path[close] != ']') return std::nullopt;
  *at = close + 1;
  return step;
}

}  // namespace

bool IsIdentifier(std::string_view s) {
  if (s.empty() || IsDigit(s[0])) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
  });
}

bool IsPropertyName(std::string_view s) {
  for (size_t dot; (dot = s.find('.')) != std::string_view::npos; s.remove_prefix(dot + 1))
    if (!IsIdentifier(s.substr(0, dot))) return false;
  return IsIdentifier(s);
}

std::string Member(const std::string& path, const std::string& key) {
  return IsIdentifier(key) ? path + "." + key : path + "[" + nlohmann::json(key).dump() + "]";
}
std::string Item(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

std::vector<PathStep> PathSteps(std::string_view path) {
  std::vector<PathStep> steps;
  if (path.empty() || path[0] != '$') return steps;
  for (size_t at = 1; at < path.size();) {
    std::optional<PathStep> step = NextStep(path, &at);
    if (!step) break;
    steps.push_back(std::move(*step));
  }
  return steps;
}

}  // namespace tolvern::profile_json
