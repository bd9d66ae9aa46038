// Restore: puts back every original that an undo file lists, from its
// backup, and removes every file the run created ("path=" with no backup),
// all or nothing. An undo file may come from anywhere, so every line
// is checked before anything is written: both paths absolute and free of
// "..", the backup a regular file inside the undo file's folder tree, the
// original a regular file (never a link) or absent, and, where the run left
// a record of what it wrote, an original the run replaced. An original that
// changed since the run is not overwritten unless asked; when it is, its
// text is kept beside its backup. Every restored text is first written
// beside its original; only when all of them stand are they renamed into
// place, and a rename that fails puts back the ones before it.
#pragma once

#include <string>
#include <vector>

#include "engine/undo_record.h"
#include "platform/disk.h"

namespace tolvern {

class UndoRestore {
 public:
  explicit UndoRestore(Disk& disk) : disk_(disk) {}

  // False, with the reason in Error(), when a line fails its check, an
  // original changed since the run and `force` is not set (Changed() names
  // them), or a file could not be written; nothing is restored then. An
  // undo file without its record, or of an older version that does not name
  // the folders its run wrote in, restores only with `force` (Changed()
  // names every file it would write), and keeps every text it replaces. An
  // undo file that lists nothing restores nothing and succeeds. Throws
  // EFOpenError when the undo file cannot be read.
  bool Restore(const std::string& undo_file_name, bool force = false);
  const std::string& Error() const { return error_; }
  // Whether the undo file had nothing to check the files against (no
  // record, or no folders): Changed() then names every file it would write.
  bool Unverified() const { return unverified_; }
  // The originals that changed since the run.
  const std::vector<std::string>& Changed() const { return changed_; }
  // What the restore did besides putting originals back, a line each: lines
  // left as they are, edited texts kept.
  const std::vector<std::string>& Notes() const { return notes_; }
  int RestoredCount() const { return restored_; }

 private:
  struct Line {
    int number = 0;  // in the undo file
    std::string original, backup;
    std::string target;       // what is written: the original, or the file its link names
    bool link = false;        // the original is a link
    bool absent = false;      // the original does not exist now
    bool restore = false;     // put the backup's text back
    bool edited = false;      // changed since the run
    bool created = false;     // the run created it: restore removes it
    std::string staged, old;  // the restored text, and the text replaced
    std::string kept;         // where an edited text was kept
  };

  bool CheckLines(const std::string& undo_file_name, const std::string& text);
  bool CheckLine(const std::string& line, const std::string& undo_folder, Line* l,
                 std::string* why);
  // Whether the run wrote in the folder of path (when the undo file names
  // its folders).
  bool InRunFolders(const std::string& path) const;
  bool ReadRecord(const std::string& undo_file_name);
  bool CheckAgainstRecord(const std::string& record_path);
  // Tells, for each line, whether its original is the run's text, the
  // backup's text, or a text edited since.
  bool Classify();
  bool ClassifyOne(Line& l);
  // Without a record of what the run wrote, or of the folders it wrote in,
  // every file restore would write counts as changed: it is written only
  // when asked, and its text is kept.
  void TakeUnverified(const std::string& undo_file_name);
  // Removes what a stopped restore left beside the originals, where it is
  // known to be its own; names anything else that stands there.
  bool ClearLeftovers();
  bool ClearLeftover(const Line& l, const std::string& path, bool staged);
  bool Stage();
  bool StageOne(Line& l);
  bool Swap();
  void CleanUp(bool undo_kept);
  // What the failure of the step `what` leaves: the staged files removed.
  bool Fail(const std::string& what, const std::string& why);

  Disk& disk_;
  std::vector<Line> lines_;
  UndoRecord record_;
  bool has_record_ = false;
  bool unverified_ = false;           // no record, or no folders: nothing to check against
  std::vector<std::string> folders_;  // the folders the run wrote in
  std::string error_;
  std::string undo_folder_;
  std::string undo_file_;  // its path, links followed
  std::vector<std::string> changed_, notes_;
  int restored_ = 0;
};

}  // namespace tolvern
