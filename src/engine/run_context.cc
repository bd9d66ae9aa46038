#include "engine/run_context.h"

namespace tolvern {

namespace {
ProjectModules* environment_project = nullptr;
}  // namespace

ProjectModules* EnvironmentProject() { return environment_project; }

void SetEnvironmentProject(ProjectModules* project) { environment_project = project; }

}  // namespace tolvern
