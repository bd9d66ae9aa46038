#include "restore_command.h"

#include <iostream>
#include <memory>

#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "platform/disk.h"

namespace tolvern::cli {

Subcommand AddRestoreCommand(CLI::App& app) {
  auto undo_file = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  CLI::App* restore =
      app.add_subcommand("restore", "Put back the originals listed in an undo file.");
  restore->add_option("UNDOFILE", *undo_file, "The undo file (ZUvezod.reu) of an earlier run")
      ->required();
  restore->add_flag("--force", *force,
                    "Also put back originals changed after the run; each changed text is kept "
                    "beside its backup");
  return {restore, nullptr, [undo_file, force] { return RunRestore(*undo_file, *force); },
          res::kRestoreFailed};
}

int RunRestore(const std::string& undo_file, bool force) {
  NXReplacerScope library;
  std::string path = Absolute(undo_file);
  if (!BdeReplacer->RunDisk().FileExists(path)) {
    Fail("undo file \"" + path + "\" does not exist.");
    std::cout << res::kRestoreFailed << "\n";
    return kExitFailed;
  }
  bool ok = BdeReplacer->RestoreFiles(path, force);
  for (const std::string& note : BdeReplacer->RestoreNotes) std::cout << note << "\n";
  if (!ok) {
    Fail(BdeReplacer->RestoreError);
    if (!BdeReplacer->RestoreChanged.empty())
      std::cerr << "Run again with --force to restore anyway.\n";
  }
  std::cout << (ok ? res::kRestoreSucceeded : res::kRestoreFailed) << "\n";
  return ok ? kExitOk : kExitFailed;
}

}  // namespace tolvern::cli
