#include "wizard/alias_choices.h"

#include <nlohmann/json.hpp>

#include "engine/alias_plan.h"
#include "parsing/alias_key.h"

namespace tolvern {

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// A Pascal name, or names joined by dots (Form.Component).
bool IsPascalName(const std::string& s) {
  if (s.empty() || !IsLetter(s[0]) || s.back() == '.') return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '.' && IsLetter(i + 1 < s.size() ? s[i + 1] : ' ')) continue;
    if (!IsLetter(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace

void AliasChoices::Take(const std::vector<AliasReport>& found) {
  choices_.clear();
  for (const AliasReport& a : found) {
    AliasChoice c;
    c.alias = a.alias;
    c.data_sets = a.data_sets;
    c.forms = a.forms;
    if (a.action == alias_action::kCreate) c.profile_says = "a new connection, " + a.connection;
    if (a.action == alias_action::kBind) c.profile_says = a.connection;
    c.kind = c.profile_says.empty() ? AliasChoiceKind::kNew : AliasChoiceKind::kAsProfile;
    choices_.push_back(std::move(c));
  }
}

std::string AliasChoices::Problem() const {
  for (const AliasChoice& c : choices_)
    if (c.kind == AliasChoiceKind::kBind && !IsPascalName(c.bind))
      return "The alias " + c.alias +
             " is to be bound to a database component: name it as Form.Component.";
  for (const AliasChoice& c : choices_)
    if (c.kind == AliasChoiceKind::kNew &&
        (!IsPascalName(module) || module.find('.') != std::string::npos))
      return "\"" + module + "\" is not a unit name for the new connections' data module.";
  return "";
}

std::string AliasChoices::ProfileText() const {
  nlohmann::ordered_json aliases = nlohmann::ordered_json::object();
  bool creates = false;
  for (const AliasChoice& c : choices_) {
    // The folder goes with the rule whether or not this run moves the
    // data: a saved profile keeps it for the command line.
    const bool data = !c.data_folder.empty();
    if (c.kind == AliasChoiceKind::kBind) {
      aliases[AliasKey(c.alias)] =
          data ? nlohmann::ordered_json{{"bind", c.bind}, {"data", c.data_folder}}
               : nlohmann::ordered_json(c.bind);
    }
    if (c.kind != AliasChoiceKind::kNew) continue;
    creates = true;
    nlohmann::ordered_json rule = {
        {"database", c.database}, {"server", c.server}, {"username", c.user_name}};
    if (data) rule["data"] = c.data_folder;
    aliases[AliasKey(c.alias)] = rule;
  }
  if (aliases.empty()) return "";
  nlohmann::ordered_json profile = {{"name", "aliases"}, {"aliases", aliases}};
  if (creates) profile["aliasModule"] = module;
  return profile.dump(2) + "\n";
}

MappingProfile AliasChoices::Profile() const {
  std::vector<std::string> problems;
  return ParseProfile(ProfileText(), &problems);
}

std::string AliasChoices::Becomes(const AliasChoice& c) const {
  switch (c.kind) {
    case AliasChoiceKind::kAsProfile:
      return c.profile_says;
    case AliasChoiceKind::kBind:
      return c.bind.empty() ? "(a component to name)" : c.bind;
    case AliasChoiceKind::kNew:
      return "a new connection in " + module;
    case AliasChoiceKind::kLeave:
      break;
  }
  return "unbound";
}

std::string AliasChoices::SummaryLines() const {
  std::string out;
  for (const AliasChoice& c : choices_) {
    out += "Alias " + c.alias + " (" + std::to_string(c.data_sets) + " data set(s)): ";
    switch (c.kind) {
      case AliasChoiceKind::kAsProfile:
        out += "as the profile says, " + c.profile_says;
        break;
      case AliasChoiceKind::kBind:
        out += "bound to " + c.bind;
        break;
      case AliasChoiceKind::kNew:
        out += "a new connection in " + module +
               (c.database.empty() ? "" : ", database " + c.database);
        break;
      case AliasChoiceKind::kLeave:
        out += "left unbound (a to-do item on each data set)";
        break;
    }
    const bool own_folder = c.kind == AliasChoiceKind::kBind || c.kind == AliasChoiceKind::kNew;
    if (move_data && own_folder)
      out += c.data_folder.empty() ? "; its tables: no folder given, not moved"
                                   : "; its tables moved from " + c.data_folder;
    out += "\n";
  }
  if (move_data && !out.empty())
    out += "Move the tables' data: into Wiz_Data_ALIAS.sql and .sqlite beside the log\n";
  return out.empty() ? out : out + "\n";
}

int AliasChoices::UnboundDataSets() const {
  int n = 0;
  for (const AliasChoice& c : choices_)
    if (c.kind == AliasChoiceKind::kLeave) n += c.data_sets;
  return n;
}

std::string AliasOutcomeLine(const RunReport& report, const std::string& undo_file) {
  if (report.aliases.empty()) return "";
  int sets = 0, unbound = 0;
  for (const AliasReport& a : report.aliases) {
    sets += a.data_sets;
    if (a.action == alias_action::kUnmapped) unbound += a.data_sets;
  }
  std::string line = "BDE aliases: " + std::to_string(report.aliases.size()) + " (" +
                     std::to_string(sets) +
                     " data set(s)); data sets left unbound: " + std::to_string(unbound);
  if (unbound == 0) return line;
  line += undo_file.empty() ? ". To bind them, run the wizard again and choose for each alias."
                            : ". To bind them, restore this run first (undo file \"" + undo_file +
                                  "\"), then run the wizard again and choose for each alias.";
  return line;
}

}  // namespace tolvern
