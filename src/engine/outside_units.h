// Units outside the project file: in project mode, the units that the run's
// units use (their uses clauses) which stand in the project's folders (the
// project file's folder and the folders of the units it lists), which the
// project file does not list, and which name the source classes as a unit
// the run would migrate does. A run names them, or, when asked, migrates
// them too. The walk goes on from each one found, so that the units those
// use are found the same way; a unit that names no source class ends it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/run_context.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"

namespace tolvern {

struct OutsideUnit {
  std::string path;
  std::string used_by;  // the unit whose uses clause led to it (the first one met)
  TextEncoding encoding = TextEncoding::kAnsi;
  // Where it first names a source class or the source unit, and that name.
  int line = 0;
  int col = 0;
  std::string name;
};

// The offset of the first name in a unit's text that makes the run migrate
// it (a source class, the source unit in a uses clause), with that name in
// *name; std::string_view::npos when there is none.
using SourceNameFn = std::function<size_t(std::string_view text, std::string* name)>;

class OutsideUnits {
 public:
  OutsideUnits(Disk& disk, ProjectModules& project, SourceNameFn source_name)
      : disk_(disk), project_(project), source_name_(std::move(source_name)) {}

  // The outside units reached from units (full paths), in the order found.
  std::vector<OutsideUnit> Find(const std::vector<std::string>& units);

  // What the last Find could not read or list: the path and the reason to
  // give for it. Units outside the project file may stand there unfound.
  const std::vector<std::pair<std::string, std::string>>& Failures() const { return failures_; }

  // The unit names of a text's uses clauses, as written ("System.SysUtils"
  // for a dotted name), in text order.
  static std::vector<std::string> UsesNames(std::string_view text);

 private:
  // The units of the project's folders that the project file does not list,
  // by upper-case unit name; the first folder's file where two hold one name.
  void ListCandidates();
  // A unit's text, decoded; false when it cannot be read (a failure of the
  // disk is recorded) or is no text in its encoding.
  bool ReadUnit(const std::string& path, std::string* text, TextEncoding* encoding);

  Disk& disk_;
  ProjectModules& project_;
  SourceNameFn source_name_;
  std::unordered_map<std::string, std::string> candidates_;  // upper-case name -> path
  std::vector<std::pair<std::string, std::string>> failures_;
};

}  // namespace tolvern
