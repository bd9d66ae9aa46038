// What the tool asks of the development environment that has the user's
// project open. The real environment is not at hand; a host (the project file
// host of the command line, the window of the GUI, a fake in tests) implements
// this interface and is installed as the global services object.
#pragma once

#include <string>

namespace tolvern {

class IdeServices {
 public:
  virtual ~IdeServices() = default;

  // Whether a project group with an active project is open.
  virtual bool HasProject() = 0;
  virtual std::string ProjectFileName() = 0;
  virtual int ProjectModuleCount() = 0;
  // The file name of a module of the project ("" for a module without file).
  virtual std::string ProjectModuleFileName(int index) = 0;
  virtual bool SaveProject() = 0;
  virtual bool CloseProjectGroup() = 0;
  virtual bool OpenProject(const std::string& file_name) = 0;
  virtual bool ReloadFile(const std::string& file_name) = 0;
};

// The global services object; null when no host is installed.
extern IdeServices* BorlandIDEServices;

}  // namespace tolvern
