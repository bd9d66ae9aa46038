#include "parsing/nx_form_parser.h"

#include "streams/form_strings.h"

namespace tolvern {

void TNXFormParser::ConvertProperty(std::string_view name, std::string_view value) {
  const PropertyRule* rule = profile_->FindRule(SourceClass(), name);
  if (!rule) {
    if (PublishedByTarget(name)) AddProperty(name, value);
    return;
  }
  switch (rule->kind) {
    case PropertyRule::Kind::kKeep:
      SetDropReason(drop_reason::kEmptyValue);
      if (!value.empty()) AddProperty(name, value);
      return;
    case PropertyRule::Kind::kDrop:
      SetDropReason(rule->reason.c_str());
      return;
    case PropertyRule::Kind::kRename:
      Rename(*rule, value);
      return;
    case PropertyRule::Kind::kCode:
      RunCode(rule->code, value);
      return;
  }
}

const ComponentClass* TNXFormParser::TargetClass(const std::string& name) const {
  return profile_->FindTarget(name);
}

void TNXFormParser::Rename(const PropertyRule& rule, std::string_view value) {
  if (rule.database_lookup) {
    // The value names a database: the property becomes a reference to the
    // component that declares that database, when the run knows one.
    SetDropReason(drop_reason::kNoConnection);
    if (!OnGetConnection) return;
    std::string connection = OnGetConnection("DatabaseName", DatabaseNameOf(value));
    if (!connection.empty()) AddProperty(rule.to, connection);
    return;
  }
  if (!rule.values.empty()) {
    SetDropReason(drop_reason::kOutsideMappingTable);
    for (const auto& [from, to] : rule.values)
      if (from == value) return AddProperty(rule.to, to);
    return;
  }
  SetDropReason(drop_reason::kEmptyValue);
  if (!value.empty()) AddProperty(rule.to, value);
}

void TNXFormParser::RunCode(const std::string& code, std::string_view value) {
  if (code == "login-params") {
    LoginParams(value);
  } else if (code == "command-text") {
    // One quoted string becomes a one-item string list.
    AddProperty("SQL.Strings", "(" + std::string(value) + ")");
  } else {
    throw EAssertionFailed("Assertion failure (NXFormParser): unknown conversion " + code);
  }
}

// The login entries of a database's parameters become its Database,
// Username, Password and Server, each only when its entry has a value.
void TNXFormParser::LoginParams(std::string_view value) {
  SetDropReason(drop_reason::kNoLoginEntries);
  const std::vector<FormChars> entries = LoginEntries(value);
  static constexpr std::pair<const char*, const char*> kLogin[] = {{"DATABASE NAME", "Database"},
                                                                   {"USER NAME", "Username"},
                                                                   {"PASSWORD", "Password"},
                                                                   {"SERVER NAME", "Server"}};
  for (const auto& [entry, prop] : kLogin) {
    FormChars v = EntryValue(entries, entry);
    if (!v.empty()) AddProperty(prop, EncodeFormChars(v));
  }
}

}  // namespace tolvern
