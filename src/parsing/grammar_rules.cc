#include "parsing/grammar_rules.h"

#include <algorithm>

#include "base/ascii_text.h"

namespace tolvern {

namespace {

constexpr std::string_view kMarker = "<__Spec>";
constexpr const char* kInvalidRule = "Cannot add rule. Invalid rule format.";

size_t FindText(std::string_view text, std::string_view what, size_t from) {
  if (what.empty() || text.size() < what.size()) return std::string_view::npos;
  for (size_t i = from; i + what.size() <= text.size(); ++i)
    if (SameText(text.substr(i, what.size()), what)) return i;
  return std::string_view::npos;
}

// 0 literal, 1 built-in class, 2 nonterminal: the class of the first item.
int FirstItemClass(std::string_view alt) {
  if (alt.empty()) return 0;
  size_t len = ReferenceLength(alt, 0);
  if (len == 0) return 0;
  return alt[1] == '*' ? 1 : 2;
}

// The alternative with every use of name replaced by the marker, so that
// the uses are found again without matching a choice that was put in.
std::string MarkUses(const std::string& alt, std::string_view name) {
  std::string marked;
  size_t from = 0;
  for (size_t at; (at = FindText(alt, name, from)) != std::string::npos; from = at + name.size()) {
    marked.append(alt, from, at - from);
    marked += kMarker;
  }
  marked.append(alt, from);
  return marked;
}

}  // namespace

size_t RuleHeadEnd(std::string_view rule) {
  size_t close = rule.find('>', 1);
  if (close == std::string::npos || close + 1 >= rule.size()) throw EGrammarError(kInvalidRule);
  return close;
}

void ReadAlternatives(std::string_view rule, size_t from, std::vector<std::string>& alternatives) {
  size_t i = from;
  while (i < rule.size()) {
    std::string alt;
    while (i < rule.size() && rule[i] != '|') {
      char c = rule[i++];
      if (c != '\\') {
        alt += c;
        continue;
      }
      if (i >= rule.size()) throw EGrammarError(kInvalidRule);
      if (rule[i] >= '0' && rule[i] <= '9') {
        unsigned code = 0;
        while (i < rule.size() && rule[i] >= '0' && rule[i] <= '9')
          code = (code * 10 + static_cast<unsigned>(rule[i++] - '0')) & 0xFF;
        alt += static_cast<char>(code);
      } else {
        alt += rule[i++];
      }
    }
    alternatives.push_back(std::move(alt));
    if (i < rule.size()) {  // a "|" ended the alternative
      ++i;
      if (i == rule.size()) alternatives.emplace_back();
    }
  }
}

size_t ReferenceLength(std::string_view alt, size_t i) {
  if (alt[i] != '<' || i + 1 >= alt.size() || alt[i + 1] == '<' || alt[i + 1] == '>') return 0;
  for (size_t j = i + 1; j < alt.size(); ++j) {
    if (alt[j] == '>') return j - i + 1;
    if (alt[j] == '<') return 0;
  }
  return 0;
}

void OrderAlternatives(std::vector<std::string>& alternatives) {
  std::stable_sort(alternatives.begin(), alternatives.end(),
                   [](const std::string& a, const std::string& b) {
                     int ca = FirstItemClass(a), cb = FirstItemClass(b);
                     if (ca != cb) return ca < cb;
                     return CompareText(a, b) > 0;
                   });
}

std::vector<std::string> ExpandUses(const std::vector<std::string>& alternatives,
                                    std::string_view name,
                                    const std::vector<std::string>& choices) {
  std::vector<std::string> collected;
  auto collect = [&collected](const std::string& t) {
    for (const std::string& c : collected)
      if (SameText(c, t)) return;
    collected.push_back(t);
  };
  std::vector<std::string> work;
  for (const std::string& a : alternatives) {
    // Depth first: the first marker takes each choice in turn.
    work.push_back(MarkUses(a, name));
    while (!work.empty()) {
      std::string t = std::move(work.back());
      work.pop_back();
      size_t m = t.find(kMarker);
      if (m == std::string::npos) {
        collect(t);
        continue;
      }
      for (auto c = choices.rbegin(); c != choices.rend(); ++c)
        work.push_back(t.substr(0, m) + *c + t.substr(m + kMarker.size()));
    }
  }
  return collected;
}

}  // namespace tolvern
