#include "ide/ide_utils.h"

#include "base/errors.h"
#include "engine/run_context.h"
#include "ide/ide_services.h"

namespace tolvern {

IdeServices* BorlandIDEServices = nullptr;

namespace {
// The open project as a run sees it, through the helpers' answers: no file
// and no modules while no project is open.
class EnvironmentModules : public ProjectModules {
 public:
  std::string ProjectFileName() override { return TIDEUtils::GetProjectFileName(); }
  int ProjectModuleCount() override { return TIDEUtils::GetProjectModuleCount(); }
  std::string ProjectModuleFileName(int index) override {
    std::string name;
    TIDEUtils::GetProjectModuleFileName(index, name);
    return name;
  }
};
EnvironmentModules environment_modules;
}  // namespace

void InstallIdeServices(IdeServices* services) {
  BorlandIDEServices = services;
  SetEnvironmentProject(services ? &environment_modules : nullptr);
}

namespace {
IdeServices& Services() {
  if (!BorlandIDEServices) throw EAssertionFailed("No environment services are installed.");
  return *BorlandIDEServices;
}
}  // namespace

bool TIDEUtils::HasProject() { return BorlandIDEServices && BorlandIDEServices->HasProject(); }

std::string TIDEUtils::GetProjectFileName() {
  return HasProject() ? BorlandIDEServices->ProjectFileName() : std::string();
}

bool TIDEUtils::SaveProject() { return HasProject() && BorlandIDEServices->SaveProject(); }

bool TIDEUtils::CloseProjectGroup() {
  return HasProject() ? BorlandIDEServices->CloseProjectGroup() : true;
}

bool TIDEUtils::OpenProject(const std::string& file_name) {
  return Services().OpenProject(file_name);
}

bool TIDEUtils::ReloadFile(const std::string& file_name) {
  return Services().ReloadFile(file_name);
}

int TIDEUtils::GetProjectModuleCount() {
  return HasProject() ? BorlandIDEServices->ProjectModuleCount() : 0;
}

void TIDEUtils::GetProjectModuleFileName(int index, std::string& file_name) {
  if (HasProject()) file_name = BorlandIDEServices->ProjectModuleFileName(index);
}

int TIDEUtils::GetOpenModuleCount() {
  return BorlandIDEServices ? BorlandIDEServices->OpenModuleCount() : 0;
}

OpenModuleInfo TIDEUtils::GetOpenModule(int index) { return Services().OpenModule(index); }

void TIDEUtils::ShowSourceEditor(int index) { Services().ShowSourceEditor(index); }

TKAMenu* TIDEUtils::GetProductMenu() {
  return BorlandIDEServices ? BorlandIDEServices->ProductMenu() : nullptr;
}

}  // namespace tolvern
