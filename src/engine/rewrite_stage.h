// The rewriting of a run: every file of the run's list rewritten into the
// private work folder on the worker pool (one thread standing for "no
// threads"). Every unit's classes are learnt before any file is rewritten
// (what a unit declares may be needed for any other); the units come first,
// the forms they name come after them in the list, and the forms are scanned
// for database names before any of them is converted. Each file's rewriting
// gives a plain result (FileRewrite) that this stage takes in the order of
// the file list, so the log, the report, the groups and the list come out the
// same whatever the number of threads.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/earlier_runs.h"

namespace tolvern {

class WorkerPool;

// What the rewriting did beyond the replacer's log, report and file list.
struct RewriteOutcome {
  bool cancelled = false;  // CancelRequested said so: the rest was not rewritten
  int threads = 1;         // how many threads it used (the commit uses as many)
};

class RewriteStage {
 public:
  // Rewrites the files of replacer's list (what the run knows of them in
  // files) into temp_dir, reading through disk.
  RewriteStage(TComponentReplacer& replacer, RunFiles& files, Disk& disk, std::string temp_dir)
      : r_(replacer),
        files_(files),
        disk_(disk),
        temp_dir_(std::move(temp_dir)),
        earlier_(disk, replacer.Options->MakeBackup ? replacer.Options->BackupDir : "") {}

  // Rewrites the files; returns when all are done or the run was cancelled.
  // Failures that stop the run are thrown, a failure to write a rewritten
  // file once all are done.
  RewriteOutcome Run();

  // Rewriting a file takes up to about this many times its size in memory
  // (its text, its tokens, the rewritten text).
  static constexpr std::uint64_t kMemoryPerFileByte = 4;
  // How many of threads may rewrite at once when each may hold a file of
  // largest bytes, within budget bytes of memory (0: no budget known): at
  // least one, whatever the file.
  static int ThreadsWithin(int threads, std::uint64_t largest, std::uint64_t budget);

  // Why a file that changed is left as it is, though it was read: replacing
  // it would go against what its owner set (it is read-only and read-only
  // files are not included, or it has other names); "" when it may be
  // replaced.
  // Why the original `path` (read as file.read) must not be replaced, or "".
  // Other names of it that are this tool's own backups do not count; those
  // that no undo file names go into file.stale_backups.
  static std::string RefusedReplacement(Disk& disk, const TReplaceOptions& options,
                                        const std::string& path, RunFile& file);

 private:
  // A file handed to the pool, until its results are taken.
  struct Work {
    int ticket = -1;  // in the pool; -1: nothing to run
    std::string dest_dir;
    FileRewrite result;
    std::exception_ptr error;        // anything thrown: the run stops there
    std::exception_ptr write_error;  // writing the rewritten file failed
    bool too_large = false;          // the rewritten file would pass kMaxFileSize
  };

  // The number of threads for the run: the jobs asked for, fewer when the
  // largest unit would not leave room for that many at once in half of the
  // machine's memory.
  int Threads() const;
  // Tells the replacer, once, that the list of files can no longer grow.
  void FileCountKnown();
  // Reads the class declarations of every unit of the list.
  void LearnUnitClasses(WorkerPool& pool);
  // Rewrites the files from..to (to < 0: to the end of the list as it grows)
  // on the pool; false when the run was cancelled.
  bool RewriteRange(WorkerPool& pool, int from, int to);
  // Hands file i to the pool; a work without a ticket when it is not read.
  std::unique_ptr<Work> HandOut(WorkerPool& pool, int i);
  // Rewrites file i on a worker and writes what it gives into the work folder.
  void RewriteOnWorker(Work& work, const std::string& file, int worker);
  // Takes the results of file i's work on this thread.
  void TakeResults(int i, Work& w);
  void ScanForms(WorkerPool& pool, int from);
  // The database components of a form an earlier, stopped run migrated,
  // read from its backup; none when it is not such a form.
  std::vector<DeclaredDatabase> EarlierDatabases(const std::string& form);
  // Whether file i is refused before it is read: its name could not be
  // recorded in the undo file.
  bool NameNotRecordable(int i) const;
  // Where file i is rewritten: its own place in the work folder, made once.
  std::string WorkFolderOf(int i);
  // Leaves file i as it is with the reason: logged and reported.
  void Skip(int i, const std::string& reason);
  // Leaves file i, which was not read, as it is with the reason; a unit's
  // forms with it.
  void SkipUnread(int i, const std::string& reason);
  // Leaves the forms that stand beside unit i under its name as they are,
  // named, in its group: the unit was not read and so named none of them.
  // Each form's reason is form_reason, or when that is empty that its unit
  // could not be read.
  void LeaveFormsOfUnreadUnit(int i, const std::string& form_reason = "");
  // What follows the rewriting of file i.
  void FinishFile(int i, const Work& w);

  TComponentReplacer& r_;
  RunFiles& files_;
  Disk& disk_;
  const std::string temp_dir_;
  std::vector<std::unique_ptr<TFormParser>> parsers_;  // one per worker
  std::set<std::string> made_folders_;                 // work folders made
  bool count_told_ = false;                            // FileCountKnown was called
  std::set<std::string> work_names_;  // project mode: names used in the work folder
  bool cancelled_ = false;
  std::exception_ptr write_error_;  // the first failure to write a rewritten file
  EarlierRuns earlier_;
};

}  // namespace tolvern
