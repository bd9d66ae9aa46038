#include "engine/earlier_runs.h"

#include "base/paths.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "engine/own_backups.h"

namespace tolvern {

void EarlierRuns::Load() {
  if (backup_dir_.empty()) return;
  const std::string base = PathJoin(backup_dir_, res::kUndoFileName);
  // Oldest first: a later run's line for the same original wins.
  for (int n = 1; n < 10000; ++n) {
    const std::string undo = NumberedName(base, n);
    std::string text, record_text, why;
    if (!disk_.ReadFile(undo, &text, &why)) {
      FileStamp stamp;
      if (!disk_.Stat(undo, &stamp)) break;
      continue;
    }
    UndoRecord record;
    if (!disk_.ReadFile(UndoRecord::PathFor(undo), &record_text, &why) ||
        !record.Parse(record_text, &why))
      continue;  // without its record, nothing tells its text from an edit
    StringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string original = StringList::NameOf(lines[i]);
      const std::string backup = StringList::ValueOf(lines[i]);
      const WrittenText* written = record.Find(original);
      if (backup.empty() || !written || written->created) continue;
      newest_[original] = Replaced{backup, *written};
    }
  }
}

std::string EarlierRuns::BackupIfStillMigrated(const std::string& original, std::string_view text) {
  std::call_once(loaded_, [this] { Load(); });
  auto at = newest_.find(original);
  if (at == newest_.end() || !at->second.written.Matches(text)) return "";
  return at->second.backup;
}

}  // namespace tolvern
