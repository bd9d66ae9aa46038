#include "engine/outside_units.h"

#include <deque>
#include <set>
#include <utility>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "base/system_texts.h"
#include "files/line_cursor.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

constexpr int kDot = SymbolCodeOf('.');

// The upper-case unit name of a Pascal file's path: its name without ".pas".
std::string UnitNameOf(const std::string& path) {
  const std::string name = ExtractFileName(path);
  return UpperCase(name.substr(0, name.size() - ExtractFileExt(name).size()));
}

}  // namespace

std::vector<std::string> OutsideUnits::UsesNames(std::string_view text) {
  std::vector<std::string> names;
  const PasTokens tokens = SignificantTokens(text);
  bool in_uses = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokUses) {
      in_uses = true;
    } else if (t.code == kTokSemicolon) {
      in_uses = false;
    } else if (in_uses && t.code == kTokIdent && !SameText(t.text, "in") &&
               (i == 0 || tokens[i - 1].code != kDot)) {
      std::string name(t.text);
      for (size_t j = i + 1;
           j + 1 < tokens.size() && tokens[j].code == kDot && tokens[j + 1].code == kTokIdent;
           j += 2)
        name += "." + std::string(tokens[j + 1].text);
      names.push_back(std::move(name));
    }
  }
  return names;
}

bool OutsideUnits::ReadUnit(const std::string& path, std::string* text, TextEncoding* encoding) {
  std::string bytes, why;
  if (!disk_.ReadFile(path, &bytes, &why)) {
    failures_.emplace_back(path, res::Format(res::kOutsideNotReadable, {why}));
    return false;
  }
  *encoding = DetectEncoding(bytes);
  return DecodeOwnedText(std::move(bytes), *encoding, text, &why);
}

void OutsideUnits::ListCandidates() {
  // What the project file lists: its modules, and every name of its uses
  // clause (a unit named there without a path is the project's too).
  std::set<std::string> listed;
  std::vector<std::string> folders;
  const auto add_folder = [&folders](const std::string& folder) {
    for (const std::string& f : folders)
      if (f == folder) return;
    folders.push_back(folder);
  };
  const std::string project_file = project_.ProjectFileName();
  add_folder(ExtractFileDir(project_file));
  std::string text;
  TextEncoding encoding;
  if (ReadUnit(project_file, &text, &encoding))
    for (const std::string& name : UsesNames(text)) listed.insert(UpperCase(name));
  for (int m = 0; m < project_.ProjectModuleCount(); ++m) {
    const std::string module = project_.ProjectModuleFileName(m);
    if (module.empty()) continue;
    listed.insert(UnitNameOf(module));
    add_folder(ExtractFileDir(module));
  }
  for (const std::string& folder : folders) {
    std::vector<DirEntry> entries;
    std::string why;
    if (!disk_.List(folder, &entries, &why)) {
      failures_.emplace_back(folder, res::Format(res::kOutsideNotListable, {why}));
      continue;
    }
    for (const DirEntry& e : entries) {
      if (e.is_dir || UpperCase(ExtractFileExt(e.name)) != ".PAS") continue;
      const std::string name = UnitNameOf(e.name);
      if (!listed.count(name)) candidates_.emplace(name, PathJoin(folder, e.name));
    }
  }
}

std::vector<OutsideUnit> OutsideUnits::Find(const std::vector<std::string>& units) {
  std::vector<OutsideUnit> found;
  candidates_.clear();
  failures_.clear();
  ListCandidates();
  // Most projects list every unit of their folders: nothing is read then.
  if (candidates_.empty()) return found;
  std::deque<std::string> pending(units.begin(), units.end());
  while (!pending.empty()) {
    const std::string user = std::move(pending.front());
    pending.pop_front();
    std::string text;
    TextEncoding encoding;
    if (!ReadUnit(user, &text, &encoding)) continue;
    for (const std::string& used : UsesNames(text)) {
      auto candidate = candidates_.find(UpperCase(used));
      if (candidate == candidates_.end()) continue;
      // Each candidate is looked at once, from the first unit that uses it.
      const std::string path = std::move(candidate->second);
      candidates_.erase(candidate);
      OutsideUnit unit;
      unit.path = path;
      unit.used_by = user;
      std::string unit_text;
      if (!ReadUnit(path, &unit_text, &unit.encoding)) continue;
      const size_t at = source_name_(unit_text, &unit.name);
      if (at == std::string_view::npos) continue;
      LineCursor lines(unit_text);
      unit.line = lines.LineOf(at);
      unit.col = static_cast<int>(at - lines.LineStart()) + 1;
      found.push_back(std::move(unit));
      pending.push_back(path);
    }
  }
  return found;
}

}  // namespace tolvern
