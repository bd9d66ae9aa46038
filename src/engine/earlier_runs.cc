#include "engine/earlier_runs.h"

#include "base/paths.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "engine/own_backups.h"

namespace tolvern {

namespace {

// Reads the record beside an undo file; false when it is missing or not one.
bool ReadRecordOf(Disk& disk, const std::string& undo, UndoRecord* record) {
  std::string text, why;
  return disk.ReadFile(UndoRecord::PathFor(undo), &text, &why) && record->Parse(text, &why);
}

// The created files of one undo file that nothing uses (see
// CreatedByStoppedRuns).
std::vector<std::string> UnusedCreatedFiles(Disk& disk, const StringList& lines,
                                            const UndoRecord& record) {
  std::vector<std::string> created;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string original = StringList::NameOf(lines[i]);
    const WrittenText* written = record.Find(original);
    if (!written || !StringList::ValueOf(lines[i]).empty() || !written->created) continue;
    std::string text, why;
    if (disk.ReadFile(original, &text, &why) && written->Matches(text)) created.push_back(original);
  }
  if (created.empty()) return created;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string original = StringList::NameOf(lines[i]);
    const WrittenText* written = record.Find(original);
    if (!written || written->created || StringList::ValueOf(lines[i]).empty()) continue;
    std::string text, why;
    // An original that holds the run's text (or cannot be read) may use them.
    FileStamp stamp;
    if (!disk.Stat(original, &stamp, &why) && why.empty()) continue;
    if (!disk.ReadFile(original, &text, &why) || written->Matches(text)) return {};
  }
  return created;
}

}  // namespace

std::vector<std::string> CreatedByStoppedRuns(Disk& disk, const std::string& backup_dir) {
  std::vector<std::string> unused;
  ForEachUndoFile(disk, backup_dir, [&](const std::string& undo, const std::string& text) {
    // Only undo files that list a created file ("path=") are read further.
    UndoRecord record;
    if (text.find("=\r\n") == std::string::npos || !ReadRecordOf(disk, undo, &record) ||
        !record.Complete())
      return;
    StringList lines;
    lines.SetText(text);
    for (std::string& f : UnusedCreatedFiles(disk, lines, record)) unused.push_back(std::move(f));
  });
  return unused;
}

std::vector<std::string> RemoveCreatedByStoppedRuns(Disk& disk, const std::string& backup_dir) {
  std::vector<std::string> removed;
  for (std::string& path : CreatedByStoppedRuns(disk, backup_dir))
    if (disk.DeleteFile(path)) removed.push_back(std::move(path));
  return removed;
}

void EarlierRuns::Load() {
  // Oldest first: a later run's line for the same original wins.
  ForEachUndoFile(disk_, backup_dir_, [this](const std::string& undo, const std::string& text) {
    // Without its record, nothing tells its text from an edit.
    UndoRecord record;
    if (!ReadRecordOf(disk_, undo, &record)) return;
    StringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string original = StringList::NameOf(lines[i]);
      const std::string backup = StringList::ValueOf(lines[i]);
      const WrittenText* written = record.Find(original);
      if (backup.empty() || !written || written->created) continue;
      newest_[original] = Replacement{backup, *written};
    }
  });
}

bool EarlierRuns::Replaced(const std::string& original) {
  std::call_once(loaded_, [this] { Load(); });
  return newest_.count(original) > 0;
}

std::string EarlierRuns::BackupIfStillMigrated(const std::string& original, std::string_view text) {
  std::call_once(loaded_, [this] { Load(); });
  auto at = newest_.find(original);
  if (at == newest_.end() || !at->second.written.Matches(text)) return "";
  return at->second.backup;
}

}  // namespace tolvern
