#include "engine/old_units.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "base/text_edits.h"
#include "engine/old_unit_exports.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

bool IsSymbol(const PasToken& t, char c) { return t.code == SymbolCodeOf(c); }

struct Item {
  std::string name;  // dotted
  size_t start = 0, end = 0;
  size_t comma = std::string_view::npos;  // the "," after it
  bool comment_before_comma = false;
  bool after_line_comment = false;  // the token before it is a "//" comment
};
struct Clause {
  size_t uses = 0, semicolon = 0;
  std::vector<Item> items;
};

// The uses clauses of a text (tokens with comments), and the token ranges
// they take (*inside, by index: true within a clause).
std::vector<Clause> ReadClauses(const PasTokens& tokens, std::vector<bool>* inside) {
  std::vector<Clause> clauses;
  inside->assign(tokens.size(), false);
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].code != kTokUses) continue;
    Clause c;
    c.uses = tokens[i].offset;
    size_t j = i + 1;
    for (; j < tokens.size() && tokens[j].code != kTokSemicolon; ++j) {
      (*inside)[j] = true;
      const PasToken t = tokens[j];
      if (t.code == kTokComment) {
        if (!c.items.empty() && c.items.back().comma == std::string_view::npos)
          c.items.back().comment_before_comma = true;
        continue;
      }
      if (IsSymbol(t, ',')) {
        if (!c.items.empty()) c.items.back().comma = t.offset;
        continue;
      }
      if (t.code != kTokIdent) continue;
      Item item;
      item.start = t.offset;
      item.after_line_comment =
          tokens[j - 1].code == kTokComment && tokens[j - 1].text.substr(0, 2) == "//";
      item.name = std::string(t.text);
      item.end = t.offset + t.text.size();
      while (j + 2 < tokens.size() && IsSymbol(tokens[j + 1], '.') &&
             tokens[j + 2].code == kTokIdent) {
        item.name += "." + std::string(tokens[j + 2].text);
        item.end = tokens[j + 2].offset + tokens[j + 2].text.size();
        j += 2;
        (*inside)[j - 1] = (*inside)[j] = true;
      }
      if (j + 2 < tokens.size() && tokens[j + 1].code == kTokIdent &&
          SameText(tokens[j + 1].text, "in") && tokens[j + 2].code == kTokString) {
        item.end = tokens[j + 2].offset + tokens[j + 2].text.size();
        j += 2;
        (*inside)[j - 1] = (*inside)[j] = true;
      }
      c.items.push_back(std::move(item));
    }
    if (j >= tokens.size()) break;  // a clause without its end: left alone
    c.semicolon = tokens[j].offset;
    clauses.push_back(std::move(c));
    i = j;
  }
  return clauses;
}

// What each group of the family is needed by in the code (outside uses
// clauses, comments and strings): the names, first spelling, text order.
std::vector<std::pair<unsigned, std::string>> NeededNames(
    const PasTokens& tokens, const std::vector<bool>& inside, std::string_view family,
    const std::function<bool(std::string_view)>& renamed = {}) {
  std::vector<std::pair<unsigned, std::string>> needed;
  auto add = [&](unsigned groups, std::string_view name) {
    for (const auto& [g, n] : needed)
      if (g == groups && SameText(n, name)) return;
    needed.emplace_back(groups, std::string(name));
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (inside[i] || t.code != kTokIdent) continue;
    if (i > 0 && IsSymbol(tokens[i - 1], '.')) continue;  // a member, or qualified below
    // A qualified name: the unit itself is needed ("DBTables.Session").
    bool qualifier = false;
    if (i + 2 < tokens.size() && IsSymbol(tokens[i + 1], '.')) {
      std::string dotted(t.text);
      for (size_t j = i;
           j + 2 < tokens.size() && IsSymbol(tokens[j + 1], '.') && tokens[j + 2].code == kTokIdent;
           j += 2) {
        if (const unsigned g = ExportGroupsOfUnit(family, dotted)) {
          add(g, dotted);
          qualifier = true;
          break;
        }
        dotted += "." + std::string(tokens[j + 2].text);
      }
    }
    if (qualifier) continue;
    if (const unsigned g = ExportGroupsOfName(t.text); g && !(renamed && renamed(t.text)))
      add(g, t.text);
  }
  return needed;
}

// The start of the line that holds offset when only blanks stand before it
// there; npos otherwise.
size_t BlankLineStart(std::string_view text, size_t offset) {
  size_t p = offset;
  while (p > 0 && (text[p - 1] == ' ' || text[p - 1] == '\t')) --p;
  return p == 0 || text[p - 1] == '\n' ? p : std::string_view::npos;
}
size_t SkipBlanks(std::string_view text, size_t p, bool line_ends) {
  while (p < text.size() &&
         (text[p] == ' ' || text[p] == '\t' || (line_ends && (text[p] == '\r' || text[p] == '\n'))))
    ++p;
  return p;
}

}  // namespace

bool IsOldUnit(std::string_view family, std::string_view name) {
  return ExportGroupsOfUnit(family, name) != 0;
}

bool ExportedByOldUnit(std::string_view family, std::string_view name) {
  return (ExportGroupsOfName(name) & ExportGroupsOfFamily(family)) != 0;
}

std::vector<OldUnitPlace> FindOldUnits(std::string_view text, std::string_view family,
                                       const std::function<bool(std::string_view)>& renamed) {
  return FindOldUnits(SignificantTokens(text, /*with_comments=*/true), family, renamed);
}

std::vector<OldUnitPlace> FindOldUnits(const PasTokens& tokens, std::string_view family,
                                       const std::function<bool(std::string_view)>& renamed) {
  std::vector<OldUnitPlace> places;
  std::vector<bool> inside;
  const std::vector<Clause> clauses = ReadClauses(tokens, &inside);
  std::vector<std::pair<unsigned, std::string>> needed;
  bool needed_read = false;
  for (const Clause& c : clauses)
    for (const Item& item : c.items) {
      const unsigned groups = ExportGroupsOfUnit(family, item.name);
      if (!groups) continue;
      if (!needed_read) {
        needed = NeededNames(tokens, inside, family, renamed);
        needed_read = true;
      }
      OldUnitPlace place{item.name, item.start, item.end, {}};
      for (const auto& [g, n] : needed)
        if (g & groups) place.needed_by.push_back(n);
      places.push_back(std::move(place));
    }
  return places;
}

std::string DropOldUnits(std::string_view text, std::string_view family, int* removed) {
  *removed = 0;
  const PasTokens tokens = SignificantTokens(text, /*with_comments=*/true);
  std::vector<bool> inside;
  const std::vector<Clause> clauses = ReadClauses(tokens, &inside);
  std::vector<std::pair<unsigned, std::string>> needed;
  bool needed_read = false;
  TextEdits edits;
  for (const Clause& c : clauses) {
    std::vector<bool> drop(c.items.size(), false);
    size_t dropped = 0;
    for (size_t k = 0; k < c.items.size(); ++k) {
      const unsigned groups = ExportGroupsOfUnit(family, c.items[k].name);
      if (!groups) continue;
      if (!needed_read) {
        needed = NeededNames(tokens, inside, family);
        needed_read = true;
      }
      bool used = false;
      for (const auto& [g, n] : needed) used = used || (g & groups) != 0;
      if (!used) {
        drop[k] = true;
        ++dropped;
      }
    }
    if (dropped == 0) continue;
    *removed += static_cast<int>(dropped);
    if (dropped == c.items.size()) {
      // The clause goes whole; its lines too when it stands on lines of
      // its own.
      const size_t line = BlankLineStart(text, c.uses);
      size_t after = SkipBlanks(text, c.semicolon + 1, false);
      if (line != std::string_view::npos && after < text.size() && text[after] == '\r') ++after;
      if (line != std::string_view::npos && after < text.size() && text[after] == '\n')
        edits.Add(line, after + 1 - line, "");
      else
        edits.Add(c.uses, after - c.uses, "");
      continue;
    }
    size_t last_kept = 0;
    for (size_t k = 0; k < c.items.size(); ++k)
      if (!drop[k]) last_kept = k;
    for (size_t k = 0; k < c.items.size(); ++k) {
      if (!drop[k]) continue;
      const Item& item = c.items[k];
      if (k < last_kept && item.comma != std::string_view::npos) {
        // The unit and the comma after it, with the blanks that follow.
        if (!item.comment_before_comma) {
          edits.Add(item.start, SkipBlanks(text, item.comma + 1, true) - item.start, "");
        } else {
          edits.Add(item.start, item.end - item.start, "");
          edits.Add(item.comma, SkipBlanks(text, item.comma + 1, true) - item.comma, "");
        }
      } else if (k == 0) {
        edits.Add(item.start, item.end - item.start, "");
      } else {
        // After the last unit kept: the comma before it, and the unit with
        // the blanks before it; comments between stay.
        const size_t comma = c.items[k - 1].comma;
        // A line comment before it keeps its line end.
        size_t from = item.start;
        while (from > 0 &&
               (text[from - 1] == ' ' || text[from - 1] == '\t' ||
                (!item.after_line_comment && (text[from - 1] == '\r' || text[from - 1] == '\n'))))
          --from;
        if (comma != std::string_view::npos && comma + 1 == from) {
          edits.Add(comma, item.end - comma, "");
        } else {
          if (comma != std::string_view::npos) edits.Add(comma, 1, "");
          edits.Add(from, item.end - from, "");
        }
      }
    }
  }
  std::string out;
  edits.ApplyTo(text, &out);
  return out;
}

std::string OldUnitText(const OldUnitPlace& place) { return place.unit; }

std::string OldUnitAdvice(const OldUnitPlace& place) {
  if (place.needed_by.empty())
    return "nothing left in this unit needs " + place.unit +
           " any more: --drop-old-units removes it";
  constexpr size_t kShown = 4;
  std::string names;
  for (size_t i = 0; i < place.needed_by.size() && i < kShown; ++i)
    names += (i ? ", " : "") + place.needed_by[i];
  if (place.needed_by.size() > kShown)
    names += " and " + std::to_string(place.needed_by.size() - kShown) + " more";
  return "still needed by " + names + ": the old library stays linked until " +
         (place.needed_by.size() == 1 ? "it is" : "they are") + " moved to Nexa, then remove " +
         place.unit;
}

}  // namespace tolvern
