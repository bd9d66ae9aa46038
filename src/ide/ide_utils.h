// Every question and request the tool puts to the environment about its open
// project. With no services or no project open, the answers are fixed: no
// file name, no modules, saving fails, closing succeeds.
#pragma once

#include <string>

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
};

}  // namespace tolvern
