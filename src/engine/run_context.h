// What a run reaches outside itself, given to it by whoever starts it: the
// disk, the open project, the clock of the log's time stamps and the desktop
// shell that shows a finished log. Tests give an in-memory disk, a project of
// their own and a fixed clock; an unset member is the process's own.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace tolvern {

class Disk;

// The project open in the environment, as a project-mode run sees it: the
// project file and its modules' files. No project: "" and no modules.
class ProjectModules {
 public:
  virtual ~ProjectModules() = default;
  virtual std::string ProjectFileName() = 0;
  virtual int ProjectModuleCount() = 0;
  // The full file name of a module; index runs from 0 to the count less one.
  virtual std::string ProjectModuleFileName(int index) = 0;
};

// The project open in the environment, for runs whose context names none: the
// environment layer installs it while its services are in place (null: no
// environment, so no project).
ProjectModules* EnvironmentProject();
void SetEnvironmentProject(ProjectModules* project);

struct RunContext {
  Disk* disk = nullptr;                                        // null: the process's disk
  ProjectModules* project = nullptr;                           // null: no project is open
  std::function<std::time_t()> clock;                          // empty: the system clock
  std::function<void(const std::string& path)> open_document;  // empty: the shell's viewer
};

}  // namespace tolvern
