// The last stage of a run, the only one that changes the user's files:
// every original about to be replaced is backed up (never over an earlier
// backup), the undo file is written before any original is replaced, and
// then each rewritten file takes its original's place.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/string_list.h"
#include "engine/originals_check.h"
#include "engine/replace_options.h"
#include "engine/run_files.h"
#include "engine/undo_record.h"

namespace tolvern {

// What the commit did: the undo file it wrote and the newest undo file of an
// earlier run that stood in the backup folder already ("" when none).
struct CommitOutcome {
  std::string undo_file;
  std::string earlier_undo_file;
  StringList undo_lines;  // "original=backup", one per file backed up
};

class RunCommit {
 public:
  struct Notes {
    std::function<void(const std::string& line)> log;
    SkipFileFn skip;
    // A file left as it is for a reason found while replacing.
    std::function<void(const std::string& path, const std::string& reason)> not_migrated;
  };
  RunCommit(Disk& disk, const TReplaceOptions& options, const StringList& paths, RunFiles& files,
            Notes notes, std::vector<CreatedFile>* created = nullptr)
      : created_(created),
        disk_(disk),
        options_(options),
        paths_(paths),
        files_(files),
        notes_(std::move(notes)),
        check_(disk, paths, files, notes_.skip) {}

  // Backs up every original about to be replaced; throws EBackupError (after
  // removing this run's backups) when a backup cannot be made, so that no
  // original is replaced without one. An original saved since it was read is
  // left out, with its group.
  void BackupOriginals();
  void RemoveBackups();
  // Takes back what the commit wrote before any original was replaced: the
  // undo file and its record, the files created, the backups.
  void Withdraw();
  // Writes the undo file under a name no earlier run has used. It lists the
  // files the run creates ("path=", no backup) too, so that restore removes
  // them.
  void WriteUndoFile();
  // Creates each file of created (none of which may exist: a file in the
  // way is never replaced); throws EFCreateError when one cannot be made,
  // after removing those made and the undo file, so that nothing of the
  // run is left.
  void CreateFiles();
  // Makes everything written so far (backups, rewritten files, the undo file,
  // the created files) durable in one barrier; throws EBackupError, after
  // removing the created files and the undo file, when it cannot.
  void MakeDurable();
  // Moves the rewritten files over the originals (on `threads` threads when
  // there are several); false when one could not be replaced. The undo file
  // is rewritten to list only what was replaced.
  bool ReplaceOriginals(int threads, bool any_changed);

  const CommitOutcome& Outcome() const { return outcome_; }

 private:
  struct FileOutcome;
  using Outcomes = std::vector<FileOutcome>;

  // The pending files by group, groups and members in the order of the list.
  std::vector<std::vector<int>> PendingGroups();
  void ReplaceGroups(const std::vector<std::vector<int>>& groups, int threads, Outcomes& outcomes);
  // Replaces the members of one group, all or none; what became of each goes
  // into outcomes (an exception into the first member's).
  void ReplaceGroup(const std::vector<int>& members, Outcomes& outcomes);
  // True, with each member's reason, when a member is left as it is and its
  // partners with it.
  bool LeaveGroupIfAnyChanged(const std::vector<int>& members, Outcomes& outcomes);
  // Why the original of file i must be left as it is; "" when it may be replaced.
  std::string LastLook(int i);
  void MoveGroup(const std::vector<int>& members, Outcomes& outcomes);
  // Notes what became of file i; true when it was replaced as planned.
  bool TakeOutcome(int i, const FileOutcome& o);
  void NotePartnerFailed(int i, const FileOutcome& o);
  std::string NewBackup(int i, const std::string& base, std::string* error);
  std::string BackupBase(int i);
  void DropCreatedAndUndo();
  // Writes the record and then the undo file under the name undo; false
  // when an undo file of that name stands there already. Throws
  // EFCreateError when either cannot be written.
  bool WriteUndoPair(const std::string& undo, const std::string& text,
                     const std::string& record_text);
  // The record of each file of the list (by index) that was backed up.
  std::vector<WrittenText> WrittenTexts(const std::vector<int>& files);
  // Rewrites the undo file with the files replaced; drops the other backups.
  void RewriteUndoFile();

  std::vector<CreatedFile>* created_;
  Disk& disk_;
  const TReplaceOptions& options_;
  const StringList& paths_;
  RunFiles& files_;
  Notes notes_;
  OriginalsCheck check_;
  CommitOutcome outcome_;
  std::set<std::string> made_folders_;     // backup sub-folders made in this run
  std::vector<std::string> link_folders_;  // folders written in through a link
};

}  // namespace tolvern
