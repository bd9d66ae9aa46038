#include "restore_command.h"

#include <iostream>
#include <memory>

#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "platform/disk.h"

namespace tolvern::cli {

Subcommand AddRestoreCommand(CLI::App& app) {
  auto undo_file = std::make_shared<std::string>();
  CLI::App* restore =
      app.add_subcommand("restore", "Put back the originals listed in an undo file.");
  restore->add_option("UNDOFILE", *undo_file, "The undo file (ZUvezod.reu) of an earlier run")
      ->required();
  return {restore, nullptr, [undo_file] { return RunRestore(*undo_file); }, res::kRestoreFailed};
}

int RunRestore(const std::string& undo_file) {
  NXReplacerScope library;
  std::string path = Absolute(undo_file);
  if (!CurrentDisk().FileExists(path)) {
    Fail("undo file \"" + path + "\" does not exist.");
    std::cout << res::kRestoreFailed << "\n";
    return kExitFailed;
  }
  bool ok = BdeReplacer->RestoreFiles(path);
  if (!ok) Fail(BdeReplacer->RestoreError);
  std::cout << (ok ? res::kRestoreSucceeded : res::kRestoreFailed) << "\n";
  return ok ? kExitOk : kExitFailed;
}

}  // namespace tolvern::cli
