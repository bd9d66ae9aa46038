// Putting back the originals that a migration run backed up.
#include "engine/component_replacer.h"
#include "platform/disk.h"

namespace tolvern {

bool TComponentReplacer::RestoreFiles(const std::string& undo_file_name) {
  struct ClearOnExit {
    StringList& list;
    ~ClearOnExit() { list.Clear(); }
  } clear{UnitList};
  UnitList.SetText(ReadWholeFile(undo_file_name));
  Disk& disk = CurrentDisk();
  // Every backup must be there before anything is copied.
  for (int i = 0; i < UnitList.Count(); ++i) {
    if (!disk.FileExists(UnitList.Value(StringList::NameOf(UnitList[i])))) return false;
  }
  bool result = false;
  for (int i = 0; i < UnitList.Count(); ++i) {
    std::string original = StringList::NameOf(UnitList[i]);
    result = disk.CopyFile(UnitList.Value(original), original);
    if (!result) return false;
  }
  return result;
}

}  // namespace tolvern
