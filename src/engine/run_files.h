// What a run knows of each file it means to migrate, by the index of the
// file in the run's list, from planning through replacing: the value each
// stage of a run hands to the next. Files that are replaced together or not
// at all (a unit and its forms) form a group.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/string_list.h"
#include "platform/disk.h"

namespace tolvern {

struct RunFile {
  std::string rel_dir;    // folder mode: its folder below Directory
  std::string work_dir;   // where its rewritten copy goes, once it is read
  std::string work_path;  // its rewritten copy, when it changed
  FileStamp read;         // the original as it was read
  size_t hash = 0;        // of the bytes read
  bool hashed = false;
  bool changed = false;  // a rewritten copy is in the work folder
  bool skipped = false;  // not migrated (the reason is in the report)
  bool replaced = false;
  bool form_unknown = false;  // its form could not be looked for
  std::string backup;         // its backup, once made
  // Backups of an earlier run that no undo file names and that are other
  // names of this very file: removed before its backup is made.
  std::vector<std::string> stale_backups;
  int group = -1;  // files that are replaced together or not at all
};

// A file the run creates where there was none: where it goes, its bytes,
// and whether the commit has made it.
struct CreatedFile {
  std::string path;
  std::string bytes;
  bool made = false;
};

class RunFiles {
 public:
  // The index of path in paths, adding it (alone in a group of its own) when
  // it is not there yet. Records that no longer follow paths (a list set or
  // cleared from outside a run) are made again first.
  int Add(StringList& paths, const std::string& path);
  void Clear();

  int Count() const { return static_cast<int>(files_.size()); }
  RunFile& operator[](int i) { return files_[static_cast<size_t>(i)]; }
  const RunFile& operator[](int i) const { return files_[static_cast<size_t>(i)]; }
  // Whether i is a file with a record (the list may have grown past them).
  bool Has(int i) const { return i >= 0 && i < Count(); }

  // The group of file i, and the joining of two groups into one.
  int GroupOf(int i);
  void JoinGroups(int a, int b);

  // Each file that changed and is still meant to be replaced, in list order.
  void ForEachPending(const std::function<void(int i, RunFile& f)>& visit);

 private:
  std::deque<RunFile> files_;
  std::unordered_map<std::string, int> index_;  // the list index of each path
};

// Where the stages of a run report a file they leave as it is: the run logs
// it, reports it as "skipped" with the reason and counts it as not migrated.
using SkipFileFn = std::function<void(int i, const std::string& reason)>;

}  // namespace tolvern
