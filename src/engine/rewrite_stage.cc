#include "engine/rewrite_stage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/alias_stage.h"
#include "engine/own_backups.h"
#include "engine/run_reporter.h"
#include "files/file_utils.h"
#include "platform/disk.h"
#include "platform/physical_memory.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {

// Why a file that was about to be read could not be looked at (its status
// is what tells later whether it changed during the run); error: the
// system's reason, "" when the file is not there.
std::string LookFailure(const std::string& file, const std::string& error) {
  return "Cannot look at file \"" + file + "\". " +
         (error.empty() ? std::string(std::strerror(ENOENT)) : error);
}

// How many files may be rewritten ahead of the one whose results are taken
// next, per thread: enough to keep every thread busy, few enough that the
// results waiting stay small (a worker writes the rewritten text itself and
// drops it; what waits is the file's report and log lines). The taking
// thread hands out more only when it runs, and on a machine whose cores are
// all busy it may wait a scheduling slice, some milliseconds, for that,
// while a file takes a fraction of a millisecond: the workers must have
// milliseconds of work before them.
constexpr int kAheadPerThread = 64;

// When the result to take next is not ready, the taking thread sleeps until
// a later one, about half the works handed out, is done too, and then takes
// them one after another: one wake-up for several files instead of one for
// each. works holds the works after the next one.
template <class Works>
void WaitForSeveral(WorkerPool& pool, int next_ticket, const Works& works) {
  if (next_ticket < 0 || pool.Done(next_ticket)) return;
  for (size_t k = works.size() / 2; k-- > 0;)
    if (works[k] && works[k]->ticket >= 0) {
      pool.Wait(works[k]->ticket);
      return;
    }
}

// Waits, when it goes, for the tasks of the works it holds that are still
// handed out (ticket >= 0), also when a failure leaves the function: a task
// writes into its work, which must outlive it.
template <class Works>
class WaitForTasks {
 public:
  WaitForTasks(WorkerPool& pool, Works& works) : pool_(pool), works_(works) {}
  ~WaitForTasks() {
    for (auto& w : works_)
      if (w && w->ticket >= 0) pool_.Wait(w->ticket);
  }
  WaitForTasks(const WaitForTasks&) = delete;
  WaitForTasks& operator=(const WaitForTasks&) = delete;

 private:
  WorkerPool& pool_;
  Works& works_;
};

// The decoded text of a unit; false when it cannot be read or decoded.
// A unit's text for what it declares; false when it cannot be read (why in
// *unread) or decoded (the rewriting names it then).
bool ReadUnitText(Disk& disk, const std::string& path, std::string* text, std::string* unread) {
  std::string bytes, why;
  if (!disk.ReadFile(path, &bytes, &why)) {
    *unread = "Cannot open file \"" + path + "\". " + why;
    return false;
  }
  const TextEncoding encoding = DetectEncoding(bytes);
  return DecodeOwnedText(std::move(bytes), encoding, text, &why);
}

// The reason a form is left as it is when its unit was not read.
constexpr const char* kUnitNotRead = "its unit %s could not be read, so the form was left with it";
// The reason a form is left as it is when its unit was refused unread.
constexpr const char* kUnitNotMigrated =
    "its unit %s is not migrated (%s), so the form was left with it";
// The reasons a file that would change is left as it is.
constexpr const char* kMigratedTooLarge =
    "its migrated text would be larger than the limit of 256 MB";
constexpr const char* kReadOnly =
    "it is read-only (often a file that is not checked out); it is migrated only when read-only "
    "files are included (--include-read-only)";
constexpr const char* kHardLinked =
    "it has %s names (hard links): replacing it would give this name the migrated text while the "
    "other names kept the old one; break the link (give each name a copy of its own) to migrate it";

}  // namespace

RewriteOutcome RewriteStage::Run() {
  r_.Databases.Clear();
  r_.Aliases = {};
  r_.CreatedFiles.clear();
  const int threads = Threads();
  WorkerPool pool(threads);
  for (int t = 0; t < threads; ++t) parsers_.push_back(r_.NewFormParser());
  LearnUnitClasses(pool);
  const int initial_count = r_.UnitList.Count();
  if (RewriteRange(pool, 0, initial_count)) {
    FileCountKnown();
    if (r_.UnitList.Count() > initial_count) {
      ScanForms(pool, initial_count);
      AliasStage(r_, files_, disk_).Plan();
      RewriteRange(pool, initial_count, -1);
    }
  }
  // Every rewritten file is in the work folder, or the first that is not
  // stops the run.
  if (write_error_) std::rethrow_exception(write_error_);
  return {cancelled_, threads};
}

int RewriteStage::ThreadsWithin(int threads, std::uint64_t largest, std::uint64_t budget) {
  if (budget == 0 || largest == 0 || threads <= 1) return std::max(threads, 1);
  const std::uint64_t per_thread = largest * kMemoryPerFileByte;
  const std::uint64_t fit = budget / per_thread;
  return fit < static_cast<std::uint64_t>(threads)
             ? static_cast<int>(std::max<std::uint64_t>(fit, 1))
             : threads;
}

int RewriteStage::Threads() const {
  const int threads = WorkerPool::ThreadsFor(r_.Options->Jobs);
  if (threads <= 1) return 1;
  // The units are known now; the forms they name are rarely larger.
  std::uint64_t largest = 0;
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    FileStamp stamp;
    if (disk_.Stat(r_.UnitList[i], &stamp) && stamp.regular)
      largest = std::max(largest, stamp.size);
  }
  return ThreadsWithin(threads, largest, PhysicalMemoryBytes() / 2);
}

bool RewriteStage::NameNotRecordable(int i) const {
  // The undo file holds one "original=backup" line per file: a name with
  // "=" or a line break in it could not be read back.
  const bool undo_file = r_.Options->MakeBackup && !r_.Options->DryRun;
  return undo_file && r_.UnitList[i].find_first_of("=\r\n") != std::string::npos;
}

void RewriteStage::FileCountKnown() {
  if (count_told_) return;
  count_told_ = true;
  if (r_.OnFileCountKnown) r_.OnFileCountKnown(r_.UnitList.Count());
}

std::string RewriteStage::WorkFolderOf(int i) {
  // Every file gets its own place in the work folder: below its own
  // sub-folder in folder mode; in project mode by name, or in a numbered
  // sub-folder when an earlier file of the run had the same name.
  const std::string& file = r_.UnitList[i];
  RunFile& rf = files_[i];
  std::string dest_dir = temp_dir_;
  if (r_.Options->Dest != RunSource::kProject) {
    const std::string dir_prefix = PathJoin(r_.Options->Directory, "");
    rf.rel_dir = file.compare(0, dir_prefix.size(), dir_prefix) == 0
                     ? ExtractFilePath(file.substr(dir_prefix.size()))
                     : std::string();
    dest_dir = PathJoin(temp_dir_, rf.rel_dir);
  } else if (!work_names_.insert(UpperCase(ExtractFileName(file))).second) {
    dest_dir = PathJoin(temp_dir_, std::to_string(i));
  }
  if (dest_dir != temp_dir_ && made_folders_.insert(dest_dir).second) ForceFolders(disk_, dest_dir);
  rf.work_dir = dest_dir;
  return dest_dir;
}

void RewriteStage::FinishFile(int i, const Work& w) {
  const std::string& file = r_.UnitList[i];
  RunFile& done = files_[i];
  if (w.result.changed > 0) {
    done.changed = true;
    done.work_path = PathJoin(w.dest_dir, ExtractFileName(file));
    if (r_.OnFileChanged) r_.OnFileChanged(file, done.work_path);
  }
  // A file the rewriter passed over (its text is not valid in its
  // encoding) is one the run meant to migrate and did not.
  if (w.result.passed_over) {
    done.skipped = true;
    LeaveFormsOfUnreadUnit(i);
  }
  // A file that would change is left as it is, with its group, when
  // replacing it would go against what its owner set: it is read-only, or
  // it has other names that a replacement would leave with the old text.
  if (done.changed && !done.skipped) {
    const std::string refused = RefusedReplacement(disk_, *r_.Options, file, done);
    if (!refused.empty()) Skip(i, refused);
  }
  if (done.form_unknown && !done.skipped)
    Skip(i, res::Format(res::kFormNotLookedFor, {ExtractFileDir(file)}));
}

std::string RewriteStage::RefusedReplacement(Disk& disk, const TReplaceOptions& options,
                                             const std::string& path, RunFile& file) {
  if (file.read.read_only && !options.IncludeReadOnly) return kReadOnly;
  if (file.read.links <= 1) return "";
  OwnBackupNames own = FindOwnBackups(disk, options, path, file.rel_dir, file.read);
  if (file.read.links > 1 + static_cast<std::uint64_t>(own.Count()))
    return res::Format(kHardLinked, {std::to_string(file.read.links)});
  file.stale_backups = std::move(own.stale);
  return "";
}

void RewriteStage::Skip(int i, const std::string& reason) {
  files_[i].skipped = true;
  RunReporter(r_.Log, r_.Report).NotMigrated(r_.UnitList[i], reason);
}

void RewriteStage::SkipUnread(int i, const std::string& reason) {
  Skip(i, reason);
  LeaveFormsOfUnreadUnit(i);
}

void RewriteStage::LeaveFormsOfUnreadUnit(int i, const std::string& form_reason) {
  // A unit names its forms in its text: one that was not read named none,
  // and the forms beside it under its name would be left unmigrated without
  // a word. They join its group and are named.
  const std::string unit = r_.UnitList[i];
  if (UpperCase(ExtractFileExt(unit)) != ".PAS") return;
  for (const char* ext : {".dfm", ".nfm"}) {
    const std::string form = FindFileIgnoringCase(disk_, ChangeFileExt(unit, ext));
    if (form.empty()) continue;
    const int at = files_.Add(r_.UnitList, form);
    files_.JoinGroups(i, at);
    if (!files_[at].skipped)
      Skip(at, form_reason.empty() ? res::Format(kUnitNotRead, {unit}) : form_reason);
  }
}

void RewriteStage::LearnUnitClasses(WorkerPool& pool) {
  r_.Descendants.Clear();
  r_.Todo = TodoClasses::Of(r_);
  // The workers read their own copy of the class tables, while this thread
  // adds what each unit declares to the run's.
  const TodoClasses tables = r_.Todo;
  struct Learnt {
    int ticket = -1;
    int index = -1;
    std::string unread;
    TDescendantClasses classes;
    UnitDeclarations names;
    std::exception_ptr error;
  };
  std::deque<std::unique_ptr<Learnt>> learnt;
  WaitForTasks drain(pool, learnt);
  // What the units teach is taken in list order, a few units behind the
  // workers, so that it never waits in memory for long. A unit that cannot
  // be decoded teaches nothing (the rewriting names it when it gets there);
  // one that cannot be read is left out at once: what it declares would be
  // missing from the others' migration.
  const size_t ahead = static_cast<size_t>(kAheadPerThread) * 4;
  auto take = [&](size_t keep) {
    while (learnt.size() > keep) {
      std::unique_ptr<Learnt> l = std::move(learnt.front());
      learnt.pop_front();
      WaitForSeveral(pool, l->ticket, learnt);
      pool.Wait(l->ticket);
      if (l->error) std::rethrow_exception(l->error);
      if (!l->unread.empty()) SkipUnread(l->index, l->unread);
      r_.Descendants.Absorb(std::move(l->classes));
      r_.Todo.LearnNames(std::move(l->names));
    }
  };
  Disk& disk = disk_;
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    if (files_.Has(i) && files_[i].skipped) continue;
    take(ahead);
    learnt.push_back(std::make_unique<Learnt>());
    Learnt* l = learnt.back().get();
    l->index = i;
    const std::string file = r_.UnitList[i];
    l->ticket = pool.Submit([l, file, &tables, &disk](int) {
      try {
        std::string text;
        if (!ReadUnitText(disk, file, &text, &l->unread)) return;
        // Other units see only what a unit's interface declares; its own
        // rewriting and to-do scan read the rest. The rest is read here
        // only where it may declare a descendant class, which a form of
        // any unit may hold an object of.
        size_t rest = 0;
        PasTokens tokens = InterfaceTokens(text, &rest);
        l->classes.LearnFrom(tokens);
        if (rest != std::string_view::npos &&
            TDescendantClasses::MayDeclare(std::string_view(text).substr(rest)))
          l->classes.LearnFrom(SignificantTokens(std::string_view(text).substr(rest)));
        l->names = tables.DeclaredNames(text, std::move(tokens));
      } catch (...) {
        l->error = std::current_exception();
      }
    });
  }
  take(0);
}

std::unique_ptr<RewriteStage::Work> RewriteStage::HandOut(WorkerPool& pool, int i) {
  auto w = std::make_unique<Work>();
  // A file refused before it was reached, or whose name the undo file could
  // not hold, is not read.
  if (files_[i].skipped || NameNotRecordable(i)) return w;
  const std::string file = r_.UnitList[i];
  w->dest_dir = WorkFolderOf(i);
  Work* work = w.get();
  w->ticket = pool.Submit([this, work, file](int worker) { RewriteOnWorker(*work, file, worker); });
  return w;
}

void RewriteStage::RewriteOnWorker(Work& work, const std::string& file, int worker) {
  std::string why;
  FileStamp read;
  if (!disk_.Stat(file, &read, &why)) {
    work.result.open_failed = true;
    work.result.open_error = LookFailure(file, why);
    return;
  }
  try {
    work.result =
        r_.ProcessFile(file, work.dest_dir, disk_, *parsers_[static_cast<size_t>(worker)]);
  } catch (...) {
    work.error = std::current_exception();
    return;
  }
  work.result.read = read;
  // The worker writes its file itself, so that the writing is spread over
  // the threads too; a failure is kept until the rewriting ends.
  FileRewrite& r = work.result;
  if (r.output_path.empty()) return;
  if (r.output.size() > kMaxFileSize) {
    // A rewritten text the run could not read back (the undo file records
    // it) is not written: the file is left as it is, the others go on.
    work.too_large = true;
    std::string().swap(r.output);
    return;
  }
  try {
    WriteNewWholeFile(disk_, r.output_path, r.output);
  } catch (...) {
    work.write_error = std::current_exception();
  }
  std::string().swap(r.output);
}

bool RewriteStage::RewriteRange(WorkerPool& pool, int from, int to) {
  const int ahead = kAheadPerThread * static_cast<int>(parsers_.size());
  auto end = [&] { return to >= 0 ? to : r_.UnitList.Count(); };
  // The works handed to the pool and not yet taken.
  std::deque<std::unique_ptr<Work>> works;
  int next = from;
  WaitForTasks drain(pool, works);
  for (int i = from; i < end(); ++i) {
    // Hand out the next files; the list may have grown by the forms of the
    // last unit taken.
    for (; next < end() && next < i + ahead; ++next) works.push_back(HandOut(pool, next));
    std::unique_ptr<Work> w = std::move(works.front());
    works.pop_front();
    WaitForSeveral(pool, w->ticket, works);
    if (w->ticket >= 0) pool.Wait(w->ticket);
    if (r_.CancelRequested && r_.CancelRequested()) {
      cancelled_ = true;
      return false;
    }
    if (files_[i].skipped) continue;
    if (r_.OnProgress) r_.OnProgress(i, r_.UnitList.Count(), r_.UnitList[i]);
    if (w->ticket < 0) {
      // Its forms are left for the unit's own reason: it was never meant
      // to be read.
      Skip(i, res::kNameNotRecordable);
      LeaveFormsOfUnreadUnit(
          i, res::Format(kUnitNotMigrated, {r_.UnitList[i], res::kNameNotRecordable}));
      continue;
    }
    TakeResults(i, *w);
  }
  return true;
}

void RewriteStage::TakeResults(int i, Work& w) {
  // The file's results, in the order of the list.
  FileRewrite& r = w.result;
  for (const std::string& line : r.log) r_.Log.WriteLine(line);
  for (FileReport& report : r.reports) r_.Report.files.push_back(std::move(report));
  r_.ChangedCount += r.changed;
  RunFile& rf = files_[i];
  rf.read = r.read;
  rf.hash = r.hash;
  rf.hashed = r.hashed;
  rf.form_unknown = rf.form_unknown || r.form_unknown;
  for (const std::string& form : r.forms) files_.JoinGroups(i, files_.Add(r_.UnitList, form));
  if (w.write_error && !write_error_) write_error_ = w.write_error;
  if (r.open_failed) {
    SkipUnread(i, r.open_error);
    return;
  }
  if (w.error) std::rethrow_exception(w.error);
  if (w.too_large) return Skip(i, kMigratedTooLarge);
  FinishFile(i, w);
}

void RewriteStage::ScanForms(WorkerPool& pool, int from) {
  struct Scan {
    int ticket = -1;
    DatabasesOfForm databases;
    std::string unread;
    std::exception_ptr error;
  };
  std::vector<std::unique_ptr<Scan>> scans;
  WaitForTasks drain(pool, scans);
  for (int i = from; i < r_.UnitList.Count(); ++i) {
    scans.push_back(std::make_unique<Scan>());
    if (files_[i].skipped) continue;
    Scan* scan = scans.back().get();
    const std::string file = r_.UnitList[i];
    scan->ticket = pool.Submit([this, scan, file](int) {
      try {
        scan->databases = r_.FormDatabases(disk_, file, &scan->unread);
        if (scan->databases.databases.empty() && scan->unread.empty())
          scan->databases.databases = EarlierDatabases(file);
      } catch (...) {
        scan->error = std::current_exception();
      }
    });
  }
  // Applied in the order of the list, so that a name two forms declare
  // ends as the last one says.
  for (size_t k = 0; k < scans.size(); ++k) {
    Scan& s = *scans[k];
    if (s.ticket < 0) continue;
    pool.Wait(s.ticket);
    s.ticket = -1;
    if (s.error) std::rethrow_exception(s.error);
    const int i = from + static_cast<int>(k);
    r_.Databases.Add(r_.UnitList[i], s.databases);
    if (!s.unread.empty()) SkipUnread(i, s.unread);
  }
}

std::vector<DeclaredDatabase> RewriteStage::EarlierDatabases(const std::string& form) {
  if (!earlier_.Replaced(form)) return {};
  std::string text, why;
  if (!disk_.ReadFile(form, &text, &why)) return {};
  const std::string backup = earlier_.BackupIfStillMigrated(form, text);
  if (backup.empty()) return {};
  return r_.FormDatabases(disk_, backup, nullptr).databases;
}

}  // namespace tolvern
