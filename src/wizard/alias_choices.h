// The wizard's Aliases step apart from its widgets: each BDE alias the scan
// found, with its data sets and forms, and what the person chose for it:
// what the profile already says, a database component of the project to
// bind to, a new connection (database, server, user name), or nothing (its
// data sets then stay unbound, with their to-do items), with the folder of its
// tables for a run that moves the data too. The choices become a
// profile's "aliases" section, so that the run takes them exactly as it
// takes a profile, and the same text can be saved for the command line.
#pragma once

#include <string>
#include <vector>

#include "engine/run_report.h"
#include "parsing/mapping_profile.h"

namespace tolvern {

enum class AliasChoiceKind { kAsProfile, kBind, kNew, kLeave };

struct AliasChoice {
  std::string alias;
  int data_sets = 0;
  std::vector<std::string> forms;
  // What the profiles of the run make of it already ("" when nothing).
  std::string profile_says;
  AliasChoiceKind kind = AliasChoiceKind::kNew;
  std::string bind;  // Form.Component, for kBind
  std::string database, server, user_name;
  // The folder of its Paradox and dBASE tables, for a run that moves the
  // data (kBind and kNew; under kAsProfile the profile's own holds).
  std::string data_folder;
};

class AliasChoices {
 public:
  // Takes the aliases a scan found; an alias a profile maps keeps that
  // mapping unless the person changes it, any other becomes a new
  // connection.
  void Take(const std::vector<AliasReport>& found);
  bool Empty() const { return choices_.empty(); }
  std::vector<AliasChoice>& Items() { return choices_; }
  const std::vector<AliasChoice>& Items() const { return choices_; }

  // The unit of the data module the new connections go into.
  std::string module = kDefaultAliasModule;
  // Whether the run moves each alias's tables (those with a folder) into a
  // script and a SQLite database beside the log.
  bool move_data = false;

  // Why the choices cannot be run ("" when they can): a binding without a
  // component, a module name that is not a Pascal name.
  std::string Problem() const;
  // The profile text of the choices ("" when they add nothing to the run's
  // profiles).
  std::string ProfileText() const;
  // The choices as a profile, to lay over the run's profiles.
  MappingProfile Profile() const;
  // What the alias's data sets connect to under choice c, as the step's
  // list shows it.
  std::string Becomes(const AliasChoice& c) const;
  // One line per alias for the summary.
  std::string SummaryLines() const;
  // How many data sets the choices leave unbound.
  int UnboundDataSets() const;

 private:
  std::vector<AliasChoice> choices_;
};

// The outcome's line on the aliases of a run ("" when it had none): how
// many, how many data sets they hold and how many were left unbound; for
// those, how to map them on a tree already migrated (restore first, with
// the undo file, then run again).
std::string AliasOutcomeLine(const RunReport& report, const std::string& undo_file);

}  // namespace tolvern
