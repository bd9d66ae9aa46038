// What the tool asks of the development environment that has the user's
// project open. The real environment is not at hand; a host (the project file
// host of the command line, the window of the GUI, a fake in tests) implements
// this interface and is installed as the global services object.
#pragma once

#include <functional>
#include <string>

namespace tolvern {

// A product menu of the environment, to which experts add their items.
class TKAMenu {
 public:
  virtual ~TKAMenu() = default;
  // Adds an item with that caption and object name; choosing it calls
  // on_click.
  virtual void AddWizard(const std::string& caption, const std::string& name,
                         std::function<void()> on_click) = 0;
};

// An expert as the environment knows it.
class IOTAWizard {
 public:
  virtual ~IOTAWizard() = default;
  virtual std::string GetIDString() const = 0;
  virtual std::string GetName() const = 0;
  virtual int GetState() const = 0;  // 0: neither enabled nor checked
  virtual void Execute() = 0;
};

// What the environment tells of one of its open modules.
struct OpenModuleInfo {
  std::string file_name;
  int file_count = 0;  // a unit with a form has two
  bool has_source_editor = false;
  bool owned_by_current_project = false;
};

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

  // The modules open in the environment, and showing the source editor of
  // one of them (which brings the unit's code in front of its form).
  virtual int OpenModuleCount() { return 0; }
  virtual OpenModuleInfo OpenModule(int index) {
    (void)index;
    return {};
  }
  virtual void ShowSourceEditor(int index) { (void)index; }

  // The Nexa product menu, or null when the environment has none.
  virtual TKAMenu* ProductMenu() { return nullptr; }
};

// The global services object; null when no host is installed.
extern IdeServices* BorlandIDEServices;
// Makes services the environment's (null: none), for the helpers and for the
// runs that ask the environment for its open project.
void InstallIdeServices(IdeServices* services);

}  // namespace tolvern
