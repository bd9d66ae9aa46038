// A stand-in for the environment's open project: a project file (.dpr) that
// the user names. Its modules are the units that the project's uses clause
// names with "in '...'", as full paths, in the clause's order. Saving,
// closing, opening and reloading succeed and are recorded, so callers and
// tests can see what was asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "files/folder_cache.h"
#include "ide/ide_services.h"

namespace tolvern {

class ProjectHost : public IdeServices {
 public:
  // Reads the project through disk (the real disk unless one is given).
  ProjectHost() : disk_(own_disk_) {}
  explicit ProjectHost(Disk& disk) : disk_(disk) {}
  ProjectHost(const ProjectHost&) = delete;
  ProjectHost& operator=(const ProjectHost&) = delete;

  // Opens a project file; throws EFOpenError naming it when it cannot be read.
  void Load(const std::string& project_file);

  bool HasProject() override { return open_; }
  std::string ProjectFileName() override { return project_file_; }
  int ProjectModuleCount() override { return static_cast<int>(modules_.size()); }
  std::string ProjectModuleFileName(int index) override;
  bool SaveProject() override;
  bool CloseProjectGroup() override;
  bool OpenProject(const std::string& file_name) override;
  bool ReloadFile(const std::string& file_name) override;
  // The project's units are its open modules; a unit whose form lies beside
  // it has two files.
  int OpenModuleCount() override { return open_ ? ProjectModuleCount() : 0; }
  OpenModuleInfo OpenModule(int index) override;
  void ShowSourceEditor(int index) override;

  // Every request in order, as "SaveProject", "CloseProjectGroup",
  // "OpenProject <file>", "ReloadFile <file>" or "ShowSourceEditor <file>".
  const std::vector<std::string>& Calls() const { return calls_; }

  // The units a project text names with "in '...'", as written.
  static std::vector<std::string> UnitPathsOf(const std::string& project_text);

 private:
  RealDisk own_disk_;
  Disk& disk_;
  bool open_ = false;
  std::string project_file_;
  std::vector<std::string> modules_;
  std::vector<std::string> calls_;
  // The project's folders, each listed once from one Load to the next.
  std::unique_ptr<FolderCache> folders_;
};

// Installs a services object as the global one for the life of this object.
class ScopedIdeServices {
 public:
  explicit ScopedIdeServices(IdeServices* services);
  ~ScopedIdeServices();
  ScopedIdeServices(const ScopedIdeServices&) = delete;
  ScopedIdeServices& operator=(const ScopedIdeServices&) = delete;

 private:
  IdeServices* previous_;
};

}  // namespace tolvern
