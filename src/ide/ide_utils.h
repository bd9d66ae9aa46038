// Every question and request the tool puts to the environment about its open
// project. With no services or no project open, the answers are fixed: no
// file name, no modules, saving fails, closing succeeds.
#pragma once

#include <string>

#include "ide/ide_services.h"

namespace tolvern {

class TIDEUtils {
 public:
  TIDEUtils() = delete;

  static bool HasProject();
  static std::string GetProjectFileName();
  static bool SaveProject();
  static bool CloseProjectGroup();
  static bool OpenProject(const std::string& file_name);
  static bool ReloadFile(const std::string& file_name);
  static int GetProjectModuleCount();
  // Stores the module's file name in file_name; leaves it as it was when no
  // project is open.
  static void GetProjectModuleFileName(int index, std::string& file_name);

  // The environment's open modules (none without services).
  static int GetOpenModuleCount();
  static OpenModuleInfo GetOpenModule(int index);
  static void ShowSourceEditor(int index);
  static TKAMenu* GetProductMenu();
};

}  // namespace tolvern
