// A small main window that plays the development environment's part for the
// expert: it opens a project file, shows the project's modules, answers the
// environment's questions and requests (recording them), has the product
// menu "&Nexa" that experts fill, and loads experts as modules.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "ide/project_host.h"

class QLibrary;
class QListWidget;
class QMenu;

namespace tolvern {

class HostWindow : public QMainWindow, public ProjectHost, public TKAMenu {
  Q_OBJECT

 public:
  HostWindow();
  ~HostWindow() override;

  // Loads an expert module and calls its entry point; false (with the reason
  // in *error) when it cannot be loaded.
  bool LoadExpert(const QString& path, QString* error);
  const std::vector<std::unique_ptr<IOTAWizard>>& Wizards() const { return wizards_; }
  // Takes a wizard that an expert registers.
  void AdoptWizard(IOTAWizard* wizard) { wizards_.emplace_back(wizard); }
  QMenu* NexaMenu() const { return nexa_submenu_; }

  // Opens a project file; a message names the file when it cannot be read.
  bool OpenProjectFile(const QString& file);

  // The environment.
  bool CloseProjectGroup() override;
  bool OpenProject(const std::string& file_name) override;
  TKAMenu* ProductMenu() override { return this; }
  void AddWizard(const std::string& caption, const std::string& name,
                 std::function<void()> on_click) override;

 private:
  void ShowModules();

  QListWidget* modules_ = nullptr;
  QMenu* nexa_submenu_ = nullptr;
  std::vector<std::unique_ptr<IOTAWizard>> wizards_;
  std::vector<std::unique_ptr<QLibrary>> libraries_;
};

}  // namespace tolvern
