// A mapping profile: what one migration converts, as data. The source unit
// whose uses clauses get the new units; the class pairs, each with the
// conversions of its objects' properties; the exception class pairs, which
// only the Pascal rewrite uses; the published properties of the target
// classes; and the conversions that apply to objects of every mapped class.
//
// The built-in profiles, one per source family (source_families.h), are JSON
// files (profiles/*.json) compiled into the binary; a user's profile files are read with
// ReadProfile and laid over a built-in one with ApplyProfile, in order. The format is documented in
// docs/profile.schema.json and docs/profiles.md.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "parsing/source_family.h"
#include "platform/class_registry.h"
#include "platform/disk.h"

namespace tolvern {

// A profile that cannot be read: not valid JSON, or a value that does not fit
// the format. The message names the file and the JSON path.
class EProfileError : public Exception {
 public:
  using Exception::Exception;
};

// The conversions that need code, by the key a profile names them with:
// "login-params" turns a database's login parameters into Database,
// Username, Password and Server; "command-text" turns a command text into a
// one-item "SQL.Strings" list.
inline constexpr const char* kCodeConversions[] = {"login-params", "command-text"};

// What becomes of one property of an object being converted.
struct PropertyRule {
  enum class Kind { kKeep, kDrop, kRename, kCode };
  Kind kind = Kind::kKeep;
  std::string to;  // kRename: the new name
  // kRename: the value map; a value not in it drops the property. Empty: the
  // value is taken as it is.
  std::vector<std::pair<std::string, std::string>> values;
  bool database_lookup = false;  // kRename: the value names a database
  std::string reason;            // kDrop: the report's drop reason
  std::string code;              // kCode: one of kCodeConversions
};

// Property rules by property name, in the order of the file.
using PropertyRules = std::vector<std::pair<std::string, PropertyRule>>;

struct ClassMapping {
  std::string from;
  std::string to;
  PropertyRules properties;
  // The units the target class needs: added once to the uses clause of every
  // unit that names the source class in code.
  std::vector<std::string> units{};
};

struct ClassPair {
  std::string from;
  std::string to;
};

// What a BDE alias becomes: a DatabaseName that no database component of the
// run declares names an alias, and a profile may say which connection stands
// for it now. Either an existing component ("dmMain.conMain", or a bare name
// for a component of the data set's own form), or a new TNXConnection in the
// connection module the run creates, with the alias's parameters.
struct AliasRule {
  std::string alias;
  std::string bind;        // an existing component; "" when the run creates one
  std::string connection;  // the new connection's name; "" to name it after the alias
  // The new connection's properties, as form text writes their values: the
  // alias's Database, Server, Username and Password first, then the others.
  std::vector<std::pair<std::string, std::string>> properties;
  std::string json;  // the rule as the profile gave it
  // The folder of the alias's Paradox and dBASE tables, as the profile
  // gives it (relative to the migrated tree's folder, or absolute); "" when
  // none is given. The passwords of its protected tables.
  bool data = false;  // the rule has a "data" entry
  std::string data_folder{};
  std::vector<std::string> data_passwords{};

  bool Creates() const { return bind.empty(); }
};

// The name of the unit that holds the connections a run creates for aliases,
// when a profile names none.
inline constexpr const char* kDefaultAliasModule = "NxConnections";

struct MappingProfile {
  std::string name;
  std::string source_unit;
  std::optional<std::vector<std::string>> new_units;
  std::vector<ClassMapping> classes;
  std::vector<ClassPair> exceptions;
  std::vector<ComponentClass> targets;
  PropertyRules properties;        // for the objects of every mapped class
  std::string todo;                // reserved: its JSON text, carried as it is
  std::vector<AliasRule> aliases;  // in the order of the file
  std::string alias_module;        // the unit of created connections; "" for the default
  std::vector<std::string> files;  // the profile files laid over it, in order
  // The source family its classes belong to; a profile laid over a
  // built-in one keeps the built-in family unless it gives one of its own.
  std::optional<SourceFamily> family;

  // The text inserted behind the source unit: ", A, B" for the units A, B.
  std::string NewUnitsText() const;
  // The rule of a property of an object converted as source_class: the
  // class's own rule, else the rule for every class, else null. Class and
  // property names are compared exactly, as the form text spells them.
  const PropertyRule* FindRule(std::string_view source_class, std::string_view property) const;
  // The target class of that name (letter case ignored), or null when the
  // profile does not list its published properties.
  const ComponentClass* FindTarget(std::string_view name) const;
  // The rule of an alias (letter case ignored, as the BDE ignores it), or null.
  const AliasRule* FindAlias(std::string_view alias) const;
  // The unit of the connections the run creates.
  std::string AliasModule() const {
    return alias_module.empty() ? kDefaultAliasModule : alias_module;
  }
};

// The largest profile text read: a profile that maps every alias of a large
// application one by one is a few megabytes.
inline constexpr size_t kMaxProfileBytes = size_t{16} << 20;
// The deepest nesting of objects and arrays in a profile. Its own parts
// nest a few levels; the values read are copied and written by functions
// that call themselves once per level, on the caller's stack.
inline constexpr int kMaxProfileNesting = 1000;

// Reads a profile's JSON text. Every problem is appended to *problems as
// "$.path: what is wrong"; the profile is only usable when there are none.
MappingProfile ParseProfile(std::string_view text, std::vector<std::string>* problems);
// Reads a profile file; throws EProfileError with "FILE: $.path: problem"
// for the first problem, or when the file cannot be read.
MappingProfile ReadProfile(Disk& disk, const std::string& path);

// Lays overlay over base: a class pair, exception pair, target class or
// property rule of overlay replaces base's of the same name (a class pair's
// property rules are laid over one by one) or is added, and so is an alias
// rule; the source unit, the new units, the alias module, the family and the
// reserved part replace base's when overlay has them.
void ApplyProfile(MappingProfile* base, const MappingProfile& overlay);

// The profile as JSON text in the format ParseProfile reads.
std::string ProfileJson(const MappingProfile& profile);

}  // namespace tolvern
