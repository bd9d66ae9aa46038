#include "engine/run_reporter.h"

#include "base/ascii_text.h"
#include "base/paths.h"
#include "base/system_texts.h"
#include "platform/text_encoding.h"

namespace tolvern {

void RunReporter::NotMigrated(const std::string& path, const std::string& reason) {
  log_.WriteLine(res::Format(res::kNotMigrated, {path, reason}));
  FileReport* f = Find(path);
  if (!f) {
    const std::string ext = UpperCase(ExtractFileExt(path));
    const FileKind kind = ext == ".PAS"   ? FileKind::kUnit
                          : ext == ".DPR" ? FileKind::kProject
                          : ext.empty()   ? FileKind::kFolder
                                          : FileKind::kTextForm;
    report_.files.push_back(FileReport::Unchanged(path, kind, EncodingName(TextEncoding::kAnsi)));
    f = &report_.files.back();
  }
  f->outcome = FileOutcome::kSkipped;
  f->note = reason;
}

FileReport* RunReporter::Find(const std::string& path) {
  // The report of a file is written when it is processed, so the search
  // from the end finds the file just processed at once.
  for (auto f = report_.files.rbegin(); f != report_.files.rend(); ++f)
    if (f->path == path) return &*f;
  return nullptr;
}

void RunReporter::LogUndoFiles(const std::string& undo_file, const std::string& earlier_undo_file) {
  if (undo_file.empty()) return;  // nothing was backed up: there is nothing to undo
  log_.WriteLine(res::Format(res::kBackupFile, {undo_file}));
  if (!earlier_undo_file.empty())
    log_.WriteLine(res::Format(res::kEarlierUndoFile, {earlier_undo_file, undo_file}));
}

void RunReporter::LogOutcome(bool copied) {
  const int left = report_.FilesNotMigrated();
  if (!copied)
    log_.WriteLine(res::kReplaceFailed);
  else if (left > 0)
    log_.WriteLine(res::Format(res::kReplaceIncomplete, {std::to_string(left)}));
  else
    log_.WriteLine(res::kReplaceSucceeded);
}

}  // namespace tolvern
