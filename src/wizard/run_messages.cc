#include "wizard/run_messages.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "engine/undo_record.h"
#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

std::string PathReason(const std::string& path, int error) {
  return res::Format(res::kPathReason, {path, std::strerror(error)});
}

}  // namespace

std::string FolderCreationProblem(Disk& disk, const std::string& folder) {
  FileStamp stamp;
  if (disk.Stat(folder, &stamp) && !stamp.dir) return PathReason(folder, EEXIST);
  // The folders that are missing, deepest first, up to the nearest that is
  // there: a file there makes the rest impossible.
  std::vector<std::string> missing;
  std::string above = folder.empty() ? std::string(".") : folder;
  while (!disk.Stat(above, &stamp)) {
    missing.push_back(above);
    const std::string parent = ExtractFileDir(above);
    if (parent.empty() || parent == above) {
      above = parent.empty() ? std::string(".") : above;
      break;
    }
    above = parent;
  }
  if (disk.Stat(above, &stamp) && !stamp.dir) return PathReason(folder, ENOTDIR);
  // The test the run makes: the folders are made and a file is written in
  // the deepest; whatever this made is removed again.
  std::vector<std::string> made;
  std::string problem;
  for (auto m = missing.rbegin(); m != missing.rend() && problem.empty(); ++m) {
    bool exists = false;
    std::string why;
    if (disk.CreateDir(*m, &exists, &why))
      made.push_back(*m);
    else if (!exists)
      problem = res::Format(res::kPathReason, {folder, why});
  }
  if (problem.empty()) {
    const std::string probe = PathJoin(
        folder, ".tolvern-probe-" +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::string why;
    bool taken = false;
    if (disk.WriteExclusive(probe, "", &why, &taken))
      disk.DeleteFile(probe);
    else if (!taken)
      problem = res::Format(res::kPathReason, {folder, why});
  }
  for (auto m = made.rbegin(); m != made.rend(); ++m) disk.RemoveDir(*m);
  return problem;
}

std::string RunLogPath(const TReplaceOptions& options) {
  if (!options.WriteLog || options.DryRun) return "";
  const std::string folder = options.Dest == RunSource::kProject
                                 ? ExtractFilePath(TIDEUtils::GetProjectFileName())
                                 : options.Directory;
  return PathJoin(folder, res::kLogFileName);
}

bool OutcomeIsFailure(const TComponentReplacer& replacer) {
  return replacer.Report.FilesNotMigrated() > 0 || replacer.Report.ObjectsNotConverted() > 0 ||
         !replacer.Report.DataComplete();
}

std::string ReplaceOutcomeText(const TComponentReplacer& replacer) {
  const RunReport& r = replacer.Report;
  const TReplaceOptions& o = *replacer.Options;
  auto n = [](long long v) { return std::to_string(v); };
  const int left = r.FilesNotMigrated();
  const int unconverted = r.ObjectsNotConverted();
  const std::string counts = res::Format(
      res::kOutcomeCounts, {n(static_cast<long long>(r.files.size())), n(r.UnitsChanged()),
                            n(r.FormsChanged()), n(r.ObjectsRewritten()), n(left)});
  if (replacer.NothingToDo) {
    const std::string tree = o.Dest == RunSource::kProject
                                 ? ExtractFileDir(TIDEUtils::GetProjectFileName())
                                 : o.Directory;
    std::string text = res::Format(res::kNothingToDo, {tree});
    if (left > 0) text += "\n" + counts;
    return text;
  }
  std::string text = left > 0          ? res::Format(res::kReplaceIncomplete, {n(left)})
                     : unconverted > 0 ? res::Format(res::kReplaceObjectsLeft, {n(unconverted)})
                                       : std::string(res::kReplaceSucceeded);
  text += "\n" + counts;
  if (unconverted > 0) {
    // Each one named, as far as a box can hold them; the to-do list has all.
    constexpr int kShown = 10;
    text += "\n" + res::Format(res::kOutcomeObjectsNotConverted, {n(unconverted)});
    int shown = 0;
    for (const FileReport& f : r.files)
      for (const UnparsedObject& u : f.unparsed)
        if (shown++ < kShown)
          text += "\n" + res::Format(res::kOutcomeObjectNotConverted,
                                     {f.path, n(u.line), u.name, u.cls, u.reason});
    if (unconverted > kShown)
      text += "\n" + res::Format(res::kOutcomeMoreObjects, {n(unconverted - kShown)});
  }
  const std::string log = RunLogPath(o);
  if (!log.empty()) text += "\n" + res::Format(res::kOutcomeLog, {log});
  if (!replacer.Log.Error().empty())
    text += "\nThe log could not be written completely: " + replacer.Log.Error();
  const std::string errors = n(r.TodoCount(todo_level::kError)),
                    warnings = n(r.TodoCount(todo_level::kWarning)),
                    notes = n(r.TodoCount(todo_level::kNote));
  if (replacer.TodoFilePath.empty()) {
    text += "\n" + res::Format(res::kOutcomeTodoCount, {errors, warnings, notes});
  } else {
    text += "\n" + res::Format(res::kOutcomeTodo, {errors, warnings, notes, replacer.TodoFilePath});
    text +=
        "\n" + res::Format(res::kOutcomeLatestTodo,
                           {PathJoin(ExtractFilePath(replacer.TodoFilePath), res::kTodoFileName)});
  }
  if (o.MakeBackup && !o.DryRun) {
    if (replacer.UndoFilePath.empty()) {
      text += "\n" + std::string(res::kOutcomeNoUndoFile);
    } else {
      text += "\n" + res::Format(res::kOutcomeBackups, {o.BackupDir});
      text += "\n" + res::Format(res::kOutcomeUndoFile, {replacer.UndoFilePath});
    }
  }
  if (!replacer.EarlierUndoFile.empty())
    text += "\n" +
            res::Format(res::kEarlierUndoFile, {replacer.EarlierUndoFile, replacer.UndoFilePath});
  return text;
}

std::string RestoreOutcomeText(const TComponentReplacer& replacer) {
  std::string text = std::string(res::kRestoreSucceeded) + "\n" +
                     res::Format(res::kOutcomeRestored, {std::to_string(replacer.RestoredCount)});
  for (const std::string& note : replacer.RestoreNotes) text += "\n" + note;
  return text;
}

std::string RunFailureText(Disk& disk, const std::exception& error,
                           const TReplaceOptions& options) {
  const std::string what = error.what();
  std::string detail;
  // The engine's failures name their file and the system's reason.
  if (auto* e = dynamic_cast<const Exception*>(&error); e && !e->Detail().empty())
    return what + "\n" + e->Detail();
  if (what == res::kFailedToCreateDirectory) {
    detail = FolderCreationProblem(disk, options.BackupDir);
    if (detail.empty()) detail = res::Format(res::kPathReason, {options.BackupDir, what});
  } else if (dynamic_cast<const EBackupError*>(&error)) {
    // The copy names both files; what is in the way is the backup folder.
    detail = FolderCreationProblem(disk, options.BackupDir);
  } else if (what == res::kFailedToCreateTemp) {
    const std::string temp = disk.TempPath();
    detail = FolderCreationProblem(disk, temp);
    if (detail.empty()) detail = res::Format(res::kPathReason, {temp, what});
  }
  return detail.empty() ? what : what + "\n" + detail;
}

std::string RestoreFailureDetail(Disk& disk, const std::string& undo_file_name) {
  std::string text, why;
  if (!disk.ReadFile(undo_file_name, &text, &why))
    return res::Format(res::kPathReason, {undo_file_name, why});
  StringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i) {
    if (lines[i].starts_with(kUndoFolderPrefix)) continue;
    const std::string backup = StringList::ValueOf(lines[i]);
    if (!backup.empty() && !disk.FileExists(backup)) return PathReason(backup, ENOENT);
  }
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string original = StringList::NameOf(lines[i]);
    if (original.empty() || lines[i].starts_with(kUndoFolderPrefix)) continue;
    const std::string problem = FolderCreationProblem(disk, ExtractFilePath(original));
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace tolvern
