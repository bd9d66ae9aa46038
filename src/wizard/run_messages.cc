#include "wizard/run_messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/errors.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "platform/disk.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tolvern {

namespace fs = std::filesystem;

namespace {

std::string PathReason(const std::string& path, int error) {
  return res::Format(res::kPathReason, {path, std::strerror(error)});
}

// Whether new entries can be made in an existing folder; the error otherwise.
int FolderWriteError(const fs::path& folder) {
#ifdef _WIN32
  (void)folder;
  return 0;
#else
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
#endif
}

}  // namespace

std::string FolderCreationProblem(const std::string& folder) {
  std::error_code ec;
  fs::path path(folder);
  fs::file_status st = fs::status(path, ec);
  if (fs::is_directory(st)) {
    int error = FolderWriteError(path);
    return error ? PathReason(folder, error) : std::string();
  }
  if (fs::exists(st)) return PathReason(folder, EEXIST);
  // The nearest part of the path that is there decides: a folder that takes
  // new entries, or something that makes the rest impossible.
  fs::path above = path.parent_path();
  while (!above.empty()) {
    st = fs::status(above, ec);
    if (fs::exists(st)) break;
    if (above == above.parent_path()) break;
    above = above.parent_path();
  }
  if (above.empty()) above = ".";
  st = fs::status(above, ec);
  if (!fs::exists(st)) return PathReason(folder, ENOENT);
  if (!fs::is_directory(st)) return PathReason(folder, ENOTDIR);
  int error = FolderWriteError(above);
  return error ? PathReason(folder, error) : std::string();
}

std::string RunLogPath(const TReplaceOptions& options) {
  if (!options.WriteLog || options.DryRun) return "";
  const std::string folder = options.Dest == RunSource::kProject
                                 ? ExtractFilePath(TIDEUtils::GetProjectFileName())
                                 : options.Directory;
  return PathJoin(folder, res::kLogFileName);
}

std::string ReplaceOutcomeText(const TComponentReplacer& replacer) {
  const RunReport& r = replacer.Report;
  const TReplaceOptions& o = *replacer.Options;
  auto n = [](int v) { return std::to_string(v); };
  const int left = r.FilesNotMigrated();
  std::string text =
      (left > 0 ? res::Format(res::kReplaceIncomplete, {n(left)})
                : std::string(res::kReplaceSucceeded)) +
      "\n" +
      res::Format(res::kOutcomeCounts,
                  {n(static_cast<int>(r.files.size())),
                   n(r.FilesChanged("unit") + r.FilesChanged("project")), n(r.FilesChanged("form")),
                   n(r.ObjectsRewritten()), n(r.FilesNotMigrated())});
  const std::string log = RunLogPath(o);
  if (!log.empty()) text += "\n" + res::Format(res::kOutcomeLog, {log});
  if (!replacer.Log.Error().empty())
    text += "\nThe log could not be written completely: " + replacer.Log.Error();
  const std::string errors = n(r.TodoCount(todo_level::kError)),
                    warnings = n(r.TodoCount(todo_level::kWarning)),
                    notes = n(r.TodoCount(todo_level::kNote));
  text += "\n" + (log.empty() ? res::Format(res::kOutcomeTodoCount, {errors, warnings, notes})
                              : res::Format(res::kOutcomeTodo,
                                            {errors, warnings, notes,
                                             PathJoin(ExtractFilePath(log), res::kTodoFileName)}));
  if (o.MakeBackup && !o.DryRun) text += "\n" + res::Format(res::kOutcomeBackups, {o.BackupDir});
  if (!replacer.EarlierUndoFile.empty())
    text += "\n" +
            res::Format(res::kEarlierUndoFile, {replacer.EarlierUndoFile, replacer.UndoFilePath});
  return text;
}

std::string RunFailureText(const std::exception& error, const TReplaceOptions& options) {
  const std::string what = error.what();
  std::string detail;
  // The engine's failures name their file and the system's reason.
  if (auto* e = dynamic_cast<const Exception*>(&error); e && !e->Detail().empty())
    return what + "\n" + e->Detail();
  if (what == res::kFailedToCreateDirectory) {
    detail = FolderCreationProblem(options.BackupDir);
    if (detail.empty()) detail = res::Format(res::kPathReason, {options.BackupDir, what});
  } else if (dynamic_cast<const EBackupError*>(&error)) {
    // The copy names both files; what is in the way is the backup folder.
    detail = FolderCreationProblem(options.BackupDir);
  } else if (what == res::kFailedToCreateTemp) {
    const std::string temp = CurrentDisk().TempPath();
    detail = FolderCreationProblem(temp);
    if (detail.empty()) detail = res::Format(res::kPathReason, {temp, what});
  }
  return detail.empty() ? what : what + "\n" + detail;
}

std::string RestoreFailureDetail(const std::string& undo_file_name) {
  std::string text, why;
  if (!CurrentDisk().ReadFile(undo_file_name, &text, &why))
    return res::Format(res::kPathReason, {undo_file_name, why});
  StringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string backup = StringList::ValueOf(lines[i]);
    if (!backup.empty() && !CurrentDisk().FileExists(backup)) return PathReason(backup, ENOENT);
  }
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string original = StringList::NameOf(lines[i]);
    if (original.empty()) continue;
    const std::string problem = FolderCreationProblem(ExtractFilePath(original));
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace tolvern
