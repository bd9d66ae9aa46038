#include "engine/database_index.h"

#include "parsing/pascal_scanner.h"

namespace tolvern {

DatabasesOfForm FindDatabasesOfForm(
    std::string_view form_text, const std::function<bool(const std::string&)>& is_database_class) {
  DatabasesOfForm found;
  TPasParser scanner(form_text);
  scanner.KeepQuotes = false;
  // The header of the object being read: its name comes after OBJECT (or
  // INHERITED, or INLINE), its class after the name.
  std::string name, cls, last_ident;
  bool expect_name = false, expect_class = false;
  std::string token;
  for (int code; (code = scanner.GetNext(token)) != kTokEnd;) {
    if (code == kTokObject || code == kTokInherited || code == kTokInline) {
      expect_name = true;
    } else if (code == kTokIdent) {
      if (expect_name) {
        name = token;
        expect_name = false;
        expect_class = true;
        if (found.form.empty()) found.form = token;
      } else if (expect_class) {
        cls = token;
        expect_class = false;
      }
      last_ident = token;
    } else if (code == kTokEndKw) {
      name.clear();
      cls.clear();
    } else if (code == kTokString && last_ident == "DatabaseName" && !name.empty() &&
               is_database_class(cls)) {
      found.databases.push_back({token, name});
    }
  }
  return found;
}

void DatabaseIndex::Clear() {
  run_.clear();
  forms_.clear();
}

void DatabaseIndex::Add(const std::string& form_path, const DatabasesOfForm& declared) {
  if (declared.databases.empty()) return;
  FoldedMap<std::string>& own = forms_[form_path];
  for (const DeclaredDatabase& d : declared.databases) {
    run_[d.name] = declared.form + "." + d.component;
    own[d.name] = d.component;
  }
}

std::string DatabaseIndex::Reference(std::string_view name, const std::string& form_path) const {
  if (auto form = forms_.find(form_path); form != forms_.end()) {
    if (auto own = form->second.find(name); own != form->second.end()) return own->second;
  }
  auto it = run_.find(name);
  return it == run_.end() ? std::string() : it->second;
}

}  // namespace tolvern
