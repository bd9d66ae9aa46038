// Which files a run sets out to migrate: in project mode the chosen units of
// the open project and its project file, in folder mode every unit and
// project file of the folder (and of its sub-folders when asked). The forms
// are not planned here: the run adds each form as its unit names it.
#pragma once

#include <string>
#include <vector>

#include "engine/replace_options.h"
#include "engine/run_context.h"
#include "platform/disk.h"

namespace tolvern {

struct PlannedFile {
  std::string path;
  // Why it is left as it is; "" when it is to be migrated.
  std::string refused;
  // False for a folder that could not be listed: it is named, not migrated.
  bool in_run = true;
};

class RunPlanner {
 public:
  RunPlanner(Disk& disk, const TReplaceOptions& options, ProjectModules* project)
      : disk_(disk), options_(options), project_(project) {}

  // The files in the order the run takes them.
  std::vector<PlannedFile> Plan();

 private:
  void AddProjectUnits();
  void AddFolderUnits(const std::string& folder, bool recursive);

  Disk& disk_;
  const TReplaceOptions& options_;
  ProjectModules* project_;
  std::vector<PlannedFile> plan_;
};

}  // namespace tolvern
