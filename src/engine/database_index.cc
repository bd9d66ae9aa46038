#include "engine/database_index.h"

#include "parsing/pascal_scanner.h"
#include "streams/form_strings.h"

namespace tolvern {

DatabasesOfForm FindDatabasesOfForm(
    std::string_view form_text, const std::function<bool(const std::string&)>& is_database_class,
    const std::function<bool(const std::string&)>& is_data_set_class, FormCharset charset) {
  DatabasesOfForm found;
  TPasParser scanner(form_text);
  scanner.KeepQuotes = false;
  // The header of the object being read: its name comes after OBJECT (or
  // INHERITED, or INLINE), its class after the name.
  std::string name, cls, last_ident;
  bool expect_name = false, expect_class = false;
  std::string token;
  // The end of the last database name read: the tokens before it are its
  // pieces.
  size_t value_end = 0;
  for (int code; (code = scanner.GetNext(token)) != kTokEnd;) {
    const size_t at = static_cast<size_t>(scanner.PrevPos());
    if (at < value_end) continue;
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
    } else if ((code == kTokString || code == SymbolCodeOf('#')) && last_ident == "DatabaseName" &&
               !name.empty()) {
      // The whole value, its quoted pieces and #nnn codes, is one name.
      value_end = at;
      std::optional<std::string> value = ReadFormString(form_text, &value_end, charset);
      if (!value) {
        value_end = 0;
        if (code != kTokString) continue;
        value = token;
      }
      if (is_database_class(cls))
        found.databases.push_back({*value, name});
      else if (is_data_set_class && is_data_set_class(cls) && !value->empty())
        found.data_sets.push_back({name, *value});
    }
  }
  return found;
}

void DatabaseIndex::Clear() {
  run_.clear();
  at_.clear();
  forms_.clear();
  aliases_.clear();
  prefer_ = false;
  preferred_.clear();
}

void DatabaseIndex::PreferForms(FoldedSet roots) {
  prefer_ = true;
  preferred_ = std::move(roots);
}

std::vector<DataSetOfForm> DatabaseIndex::DataSetsOf(const std::string& form_path) const {
  auto at = at_.find(form_path);
  return at == at_.end() ? std::vector<DataSetOfForm>{} : forms_[at->second].data_sets;
}

void DatabaseIndex::Add(const std::string& form_path, const DatabasesOfForm& declared) {
  if (declared.databases.empty() && declared.data_sets.empty()) return;
  auto [at, added] = at_.try_emplace(form_path, forms_.size());
  if (added) forms_.emplace_back();
  Form& form = forms_[at->second];
  form.root = declared.form;
  form.path = form_path;
  for (const DeclaredDatabase& d : declared.databases) {
    run_[d.name] = declared.form + "." + d.component;
    form.databases[d.name] = d.component;
  }
  form.data_sets.insert(form.data_sets.end(), declared.data_sets.begin(), declared.data_sets.end());
}

std::string DatabaseIndex::Reference(std::string_view name, const std::string& form_path) const {
  const Form* form = nullptr;
  if (auto at = at_.find(form_path); at != at_.end()) form = &forms_[at->second];
  if (form) {
    if (auto own = form->databases.find(name); own != form->databases.end()) return own->second;
  }
  // The last form a project creates that declares it, else the last form.
  if (prefer_)
    for (auto f = forms_.rbegin(); f != forms_.rend(); ++f)
      if (preferred_.count(f->root))
        if (auto d = f->databases.find(name); d != f->databases.end())
          return f->root + "." + d->second;
  if (auto it = run_.find(name); it != run_.end()) return it->second;
  auto alias = aliases_.find(name);
  if (alias == aliases_.end()) return "";
  // A component of the data set's own form is named bare.
  const std::string& component = alias->second;
  const size_t dot = component.find('.');
  if (form && dot != std::string::npos && SameText(component.substr(0, dot), form->root))
    return component.substr(dot + 1);
  return component;
}

std::vector<AliasUse> DatabaseIndex::Aliases() const {
  std::vector<AliasUse> uses;
  FoldedMap<size_t> index;
  for (const Form& form : forms_) {
    for (const DataSetOfForm& d : form.data_sets) {
      if (run_.find(d.database) != run_.end() || form.databases.count(d.database)) continue;
      auto [at, added] = index.try_emplace(d.database, uses.size());
      if (added) uses.push_back({d.database, 0, {}});
      AliasUse& use = uses[at->second];
      ++use.data_sets;
      if (use.forms.empty() || use.forms.back() != form.root) use.forms.push_back(form.root);
    }
  }
  return uses;
}

std::vector<std::string> DatabaseIndex::Paths() const {
  std::vector<std::string> paths;
  for (const Form& form : forms_) paths.push_back(form.path);
  return paths;
}

std::vector<std::string> DatabaseIndex::FormsReferredBy(const std::string& form_path) const {
  std::vector<std::string> forms;
  auto at = at_.find(form_path);
  if (at == at_.end()) return forms;
  for (const DataSetOfForm& d : forms_[at->second].data_sets) {
    const std::string ref = Reference(d.database, form_path);
    const size_t dot = ref.find('.');
    if (dot == std::string::npos) continue;
    std::string form = ref.substr(0, dot);
    bool known = false;
    for (const std::string& f : forms) known = known || SameText(f, form);
    if (!known) forms.push_back(std::move(form));
  }
  return forms;
}

std::string DatabaseIndex::PathOfForm(std::string_view root) const {
  for (const Form& form : forms_)
    if (SameText(form.root, root)) return form.path;
  return "";
}

void DatabaseIndex::BindAlias(const std::string& alias, const std::string& component) {
  aliases_[alias] = component;
}

}  // namespace tolvern
