// Rewriting of Pascal units and project files: class names in code and in
// comments (never in strings), the uses-clause insertion, and the form that a
// unit's resource directive names.
#include <algorithm>
#include <set>
#include <vector>

#include "base/system_texts.h"
#include "base/text_edits.h"
#include "engine/component_replacer.h"
#include "engine/old_units.h"
#include "engine/todo_list.h"
#include "files/file_utils.h"
#include "parsing/pascal_scanner.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

// Letters as the 8-bit code page classifies them: ASCII letters and the
// accented letters of the upper half; digits and "_" are no letters.
bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// A resource directive ("{$R *.DFM}"), which may name the unit's form.
bool IsResourceDirective(std::string_view comment) {
  const std::string head = UpperCase(std::string(comment.substr(0, 11)));
  return StartsWith(head, "{$R ") || StartsWith(head, "{$RESOURCE ");
}

}  // namespace

std::string ChangesLine(int changes) {
  return changes > 0 ? std::to_string(changes) + res::kChanges : res::kNoChanges;
}

std::string TComponentReplacer::MissingUnits(const std::set<std::string>& named) const {
  // NewUnits is a list such as ", NXAccess, NXOleAccess": the whole of it
  // when the clause names none of its units, else only the missing ones.
  std::vector<std::string> missing;
  size_t total = 0;
  for (size_t start = 0; start < NewUnits.size();) {
    size_t end = NewUnits.find(',', start);
    if (end == std::string::npos) end = NewUnits.size();
    std::string name = NewUnits.substr(start, end - start);
    name.erase(0, name.find_first_not_of(" \t\r\n"));
    name.erase(name.find_last_not_of(" \t\r\n") + 1);
    if (!name.empty()) {
      ++total;
      if (!named.count(UpperCase(name))) missing.push_back(name);
    }
    start = end + 1;
  }
  if (missing.size() == total) return NewUnits;
  std::string text;
  for (const std::string& m : missing) text += ", " + m;
  return text;
}

std::vector<std::string> TComponentReplacer::ClassUnitsNeeded(const PasTokens& tokens) const {
  std::vector<std::string> needed;
  if (ClassUnits.empty()) return needed;
  std::set<std::string> named;  // upper case
  bool in_uses = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken& t = tokens[i];
    if (t.code == kTokUses) in_uses = true;
    if (t.code == kTokSemicolon) in_uses = false;
    if (t.code != kTokIdent) continue;
    if (in_uses) {
      named.insert(UpperCase(std::string(t.text)));
      continue;
    }
    auto units = ClassUnits.find(t.text);
    if (units == ClassUnits.end()) continue;
    for (const std::string& u : units->second)
      if (std::find(needed.begin(), needed.end(), u) == needed.end()) needed.push_back(u);
  }
  // The units the source unit brings along count as named where it is.
  if (named.count(OldUnit))
    for (size_t start = 0; start < NewUnits.size();) {
      size_t end = std::min(NewUnits.find(',', start), NewUnits.size());
      std::string name = NewUnits.substr(start, end - start);
      name.erase(0, name.find_first_not_of(" \t\r\n"));
      name.erase(name.find_last_not_of(" \t\r\n") + 1);
      named.insert(UpperCase(name));
      start = end + 1;
    }
  std::erase_if(needed, [&](const std::string& u) { return named.count(UpperCase(u)) > 0; });
  return needed;
}

// The edits of a unit's text: each replaced token, by its place in the text.
class UnitSplice {
 public:
  explicit UnitSplice(const std::string& text) : text_(text) {}
  void Replace(std::string_view token, std::string_view with) {
    const size_t at = static_cast<size_t>(token.data() - text_.data());
    // Tokens are replaced once each, in text order: they never overlap.
    edits_.Add(at, token.size(), std::string(with));
  }
  bool changed() const { return !edits_.empty(); }
  std::string Finish() {
    std::string out;
    edits_.ApplyTo(text_, &out);
    return out;
  }

 private:
  const std::string& text_;
  TextEdits edits_;
};

void TComponentReplacer::ReplaceInUnit(std::string text, const std::string& source_path,
                                       TextEncoding encoding, const std::string& dest_path) {
  FileRewrite out;
  FileRewriting w{RunDisk(), *ObjectParser, out};
  ReplaceInUnit(w, std::move(text), source_path, encoding, dest_path);
  TakeRewrite(out, RunDisk());
}

void TComponentReplacer::ReplaceInUnit(FileRewriting& w, std::string text,
                                       const std::string& source_path, TextEncoding encoding,
                                       const std::string& dest_path) {
  // The tokens without blanks, comments kept (they may name classes too);
  // a unit left as it was hands them on to the to-do scan.
  PasTokens tokens = SignificantTokens(text, /*with_comments=*/true);
  UnitSplice splice(text);
  int changes = ReplaceUnitTokens(w, tokens, source_path, splice);
  bool unchanged = !splice.changed();
  std::string out = unchanged ? std::string() : splice.Finish();
  if (Todo.family.empty()) Todo = TodoClasses::Of(*this);
  if (Options->DropOldUnits) {
    // The old library's units that nothing left in the unit needs.
    int dropped = 0;
    std::string kept = DropOldUnits(unchanged ? text : out, Todo.family, &dropped);
    if (dropped > 0) {
      out = std::move(kept);
      unchanged = false;
      changes += dropped;
    }
  }
  w.out.log.push_back(ChangesLine(changes));
  std::string ext = UpperCase(ExtractFileExt(source_path));
  FileReport& report = w.out.reports.emplace_back(FileReport::Unchanged(
      source_path, ext == ".DPR" ? FileKind::kProject : FileKind::kUnit, EncodingName(encoding)));
  report.changes = changes;
  // The places left for a person, where they stand in the file after the
  // command: the rewritten text when it replaces the original.
  const bool rewritten = !unchanged && !Options->DryRun;
  if (rewritten) {
    // The new text has tokens of its own; the old list and the old text go
    // first, so that a large unit is not held twice over.
    tokens = PasTokens();
    std::string().swap(text);
    report.todo = ScanUnitTodo(out, source_path, Todo);
  } else {
    tokens.EraseCode(kTokComment);
    report.todo = ScanUnitTodo(text, source_path, Todo, std::move(tokens));
  }
  if (unchanged) return;
  w.out.output_path = dest_path;
  w.out.output = EncodeText(out, encoding);
  report.outcome = FileOutcome::kChanged;
  w.out.changed = 1;
}

int TComponentReplacer::ReplaceUnitTokens(FileRewriting& w, const PasTokens& tokens,
                                          const std::string& source_path, UnitSplice& splice) {
  int changes = 0;
  std::set<std::string> clause_units;
  bool in_uses = false;
  std::vector<std::string> class_units = ClassUnitsNeeded(tokens);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string_view token = tokens[i].text;
    switch (tokens[i].code) {
      case kTokComment: {
        const int before = changes;
        std::string replaced = ReplaceInComment(&w, token, source_path, &changes);
        if (changes != before && replaced != token) splice.Replace(token, replaced);
        break;
      }
      case kTokSemicolon:
        // The first uses clause takes the units of the profile's classes.
        if (in_uses && !class_units.empty()) {
          std::string with;
          for (const std::string& u : class_units) with += ", " + u;
          splice.Replace(token, with + std::string(token));
          class_units.clear();
          ++changes;
        }
        in_uses = false;
        break;
      case kTokUses:
        in_uses = true;
        // The names the clause holds already, so that none is added twice
        // (a unit that names both source libraries, or a second run).
        clause_units.clear();
        for (size_t j = i + 1; j < tokens.size() && tokens[j].code != kTokSemicolon; ++j)
          if (tokens[j].code == kTokIdent)
            clause_units.insert(UpperCase(std::string(tokens[j].text)));
        break;
      case kTokIdent:
        if (in_uses && token.size() == OldUnit.size() && UpperCase(std::string(token)) == OldUnit)
          changes += ExtendUsesClause(token, clause_units, splice);
        else
          changes += ReplaceClassName(token, splice);
        break;
      default:
        break;
    }
  }
  return changes;
}

size_t TComponentReplacer::FirstSourceName(std::string_view text, std::string* name) const {
  // The places ReplaceUnitTokens counts as changes, in text order: a uses
  // clause naming the source unit without every Nexa unit behind it, a
  // source class in code, or in a comment (a resource directive is none).
  const PasTokens tokens = SignificantTokens(text, /*with_comments=*/true);
  std::set<std::string> clause_units;
  bool in_uses = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokSemicolon) in_uses = false;
    if (t.code == kTokUses) {
      in_uses = true;
      clause_units.clear();
      for (size_t j = i + 1; j < tokens.size() && tokens[j].code != kTokSemicolon; ++j)
        if (tokens[j].code == kTokIdent)
          clause_units.insert(UpperCase(std::string(tokens[j].text)));
    }
    size_t at = std::string_view::npos;
    std::string_view found;
    if (t.code == kTokIdent) {
      const bool source_unit = in_uses && SameText(t.text, OldUnit);
      if ((source_unit && (NewUnits.empty() || !MissingUnits(clause_units).empty())) ||
          (!source_unit && FindOldName(t.text) >= 0)) {
        at = t.offset;
        found = t.text;
      }
    } else if (t.code == kTokComment && t.text.size() > 1 && !IsResourceDirective(t.text)) {
      TPasParser scanner(t.text.substr(1));
      std::string_view token;
      for (int code; (code = scanner.GetNext(&token)) != kTokEnd;)
        if (code == kTokIdent && FindOldName(token) >= 0) {
          at = static_cast<size_t>(token.data() - text.data());
          found = token;
          break;
        }
    }
    if (at != std::string_view::npos) {
      if (name) *name = std::string(found);
      return at;
    }
  }
  return std::string_view::npos;
}

int TComponentReplacer::ExtendUsesClause(std::string_view token,
                                         const std::set<std::string>& clause_units,
                                         UnitSplice& splice) {
  const std::string addition = MissingUnits(clause_units);
  if (addition.empty() && !NewUnits.empty()) return 0;
  if (!addition.empty()) splice.Replace(token, std::string(token) + addition);
  return 1;
}

int TComponentReplacer::ReplaceClassName(std::string_view token, UnitSplice& splice) {
  const int found = FindOldName(token);
  if (found < 0) return 0;
  std::string ident(token);
  std::string replacement = GetReplacement(ident, NewNames[OldNames.Object(found)]);
  if (replacement != ident) splice.Replace(token, replacement);
  return 1;
}

std::string TComponentReplacer::ReplaceInComment(std::string_view comment,
                                                 const std::string& source_path, int* changes) {
  return ReplaceInComment(nullptr, comment, source_path, changes);
}

std::string TComponentReplacer::ReplaceInComment(FileRewriting* w, std::string_view comment,
                                                 const std::string& source_path, int* changes) {
  if (IsResourceDirective(comment)) {
    if (w) AddFormOfDirective(w, comment, source_path);
    return std::string(comment);
  }
  if (comment.empty()) return std::string();
  // The inside is scanned without the opening character, so that the scanner
  // does not read it as one comment again. The result is built only when a
  // name is replaced.
  const std::string_view inside = comment.substr(1);
  TPasParser scanner(inside);
  std::string result;
  size_t copied = 0;
  std::string_view token;
  for (int code; (code = scanner.GetNext(&token)) != kTokEnd;) {
    int found = code == kTokIdent ? FindOldName(token) : -1;
    if (found < 0) continue;
    const size_t at = static_cast<size_t>(token.data() - inside.data());
    if (result.empty()) result.assign(comment.substr(0, 1));
    result.append(inside, copied, at - copied);
    result += NewNames[OldNames.Object(found)];
    copied = at + token.size();
    ++*changes;
  }
  if (result.empty()) return std::string(comment);
  result.append(inside, copied, std::string_view::npos);
  return result;
}

void TComponentReplacer::AddFormOfDirective(FileRewriting* w, std::string_view directive,
                                            const std::string& source_path) {
  std::string upper = UpperCase(std::string(directive));
  size_t p = upper.rfind('.');
  if (p == std::string::npos || upper.size() - p - 1 < 3) return;
  std::string ext = upper.substr(p, 4);
  if (ext != ".DFM" && ext != ".NFM") return;
  if (p + 4 < upper.size() && IsLetter(static_cast<unsigned char>(upper[p + 4]))) return;
  std::string form_path;
  if (p > 0 && directive[p - 1] == '*') {
    if (p < 2 || directive[p - 2] != ' ') return;
    form_path = ChangeFileExt(source_path, ext);
  } else {
    size_t start = p;
    while (start > 0 && IsLetter(static_cast<unsigned char>(directive[start - 1]))) --start;
    if (start == p) return;
    form_path =
        PathJoin(ExtractFilePath(source_path), std::string(directive.substr(start, p - start)) +
                                                   std::string(directive.substr(p, 4)));
  }
  bool list_failed = false;
  std::string found = FindFileIgnoringCase(w->disk, form_path, &list_failed);
  // Something that stands under the form's name but is no file (a folder)
  // joins the run all the same, so that it is named as not migrated.
  if (found.empty() && !list_failed)
    found = FindEntryIgnoringCase(w->disk, form_path, &list_failed);
  // The form joins the run, in the unit's group, when the unit's results
  // are taken; a unit whose form could not be looked for is not migrated
  // without it.
  if (list_failed) w->out.form_unknown = true;
  if (!found.empty()) w->out.forms.push_back(found);
}

}  // namespace tolvern
