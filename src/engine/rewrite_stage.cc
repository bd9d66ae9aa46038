#include "engine/rewrite_stage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/alias_stage.h"
#include "engine/rewrite_work.h"
#include "files/file_utils.h"
#include "platform/disk.h"
#include "platform/physical_memory.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {
// Why a file that was about to be read could not be looked at (its status
// is what tells later whether it changed during the run).
std::string LookFailure(const std::string& file) {
  const int e = errno;
  return "Cannot look at file \"" + file + "\". " +
         (e ? std::string(std::strerror(e)) : std::string("The system gave no reason."));
}
}  // namespace

namespace {

thread_local RewriteWork* t_work = nullptr;

// How many files may be rewritten ahead of the one whose results are taken
// next, per thread: enough to keep every thread busy, few enough that the
// results waiting stay small.
constexpr int kAheadPerThread = 8;

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
// The reasons a file that would change is left as it is.
constexpr const char* kReadOnly =
    "it is read-only (often a file that is not checked out); it is migrated only when read-only "
    "files are included (--include-read-only)";
constexpr const char* kHardLinked =
    "it has %s names (hard links): replacing it would give this name the migrated text while the "
    "other names kept the old one; break the link (give each name a copy of its own) to migrate it";

}  // namespace

RewriteWork* CurrentRewriteWork() { return t_work; }
RewriteWorkScope::RewriteWorkScope(RewriteWork* work) { t_work = work; }
RewriteWorkScope::~RewriteWorkScope() { t_work = nullptr; }

void RewriteStage::Run() {
  r_.Databases.Clear();
  r_.Aliases = {};
  r_.CreatedFiles.clear();
  const int threads = Threads();
  r_.threads_ = threads;
  if (threads > 1)
    RunInParallel(threads);
  else
    RunOnOneThread();
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
  if (threads <= 1) return threads;
  // The units are known now; the forms they name are rarely larger.
  std::uint64_t largest = 0;
  Disk& disk = CurrentDisk();
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    FileStamp stamp;
    if (disk.Stat(r_.UnitList[i], &stamp) && stamp.regular) largest = std::max(largest, stamp.size);
  }
  return ThreadsWithin(threads, largest, PhysicalMemoryBytes() / 2);
}

bool RewriteStage::NameNotRecordable(int i) const {
  // The undo file holds one "original=backup" line per file: a name with
  // "=" or a line break in it could not be read back.
  const bool undo_file = r_.Options->MakeBackup && !r_.Options->DryRun;
  return undo_file && r_.UnitList[i].find_first_of("=\r\n") != std::string::npos;
}

void RewriteStage::RunOnOneThread() {
  LearnUnitClasses();
  const int initial_count = r_.UnitList.Count();
  // The forms that the units named are scanned for database names before
  // any of them is converted, so that a data set binds to a database of any
  // form of the run.
  bool scan_pending = true;
  Disk& disk = CurrentDisk();
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    if (i == initial_count) FileCountKnown();
    const std::string file = r_.UnitList[i];
    if (scan_pending && i >= initial_count) {
      if (!r_.run_files_[i].skipped) {
        const std::string unread = r_.ScanFormDatabases(file);
        if (!unread.empty()) SkipUnread(i, unread);
      }
      if (i == r_.UnitList.Count() - 1) {
        scan_pending = false;
        AliasStage(r_).Plan();
        i = initial_count - 1;
      }
      continue;
    }
    if (r_.CancelRequested && r_.CancelRequested()) {
      r_.Cancelled = true;
      return;
    }
    if (r_.run_files_[i].skipped) continue;  // refused before it was reached
    if (r_.OnProgress) r_.OnProgress(i, r_.UnitList.Count(), file);
    if (NameNotRecordable(i)) {
      SkipUnread(i, res::kNameNotRecordable);
      continue;
    }
    const std::string dest_dir = WorkFolderOf(i);
    if (!disk.Stat(file, &r_.run_files_[i].read)) {
      SkipUnread(i, LookFailure(file));
      continue;
    }
    const int before = r_.ChangedCount;
    r_.current_ = i;
    try {
      r_.ProcessFile(file, dest_dir);
    } catch (const EFOpenError& e) {
      // A file that cannot be read (gone, not a regular file, too large,
      // unreadable) is left as it is; the others go on.
      r_.current_ = -1;
      SkipUnread(i, e.what());
      continue;
    }
    r_.current_ = -1;
    FinishFile(i, dest_dir, before);
  }
  FileCountKnown();
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
  RunFile& rf = r_.run_files_[i];
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
  if (dest_dir != temp_dir_ && made_folders_.insert(dest_dir).second) ForceFolders(dest_dir);
  rf.work_dir = dest_dir;
  return dest_dir;
}

void RewriteStage::FinishFile(int i, const std::string& dest_dir, int changed_before) {
  const std::string& file = r_.UnitList[i];
  RunFile& done = r_.run_files_[i];
  if (r_.ChangedCount > changed_before) {
    done.changed = true;
    done.work_path = PathJoin(dest_dir, ExtractFileName(file));
    if (r_.OnFileChanged) r_.OnFileChanged(file, done.work_path);
  }
  // A file the rewriter passed over (its text is not valid in its
  // encoding) is one the run meant to migrate and did not.
  const FileReport* report = r_.FindReport(file);
  if (report && report->outcome == FileOutcome::kSkipped) {
    done.skipped = true;
    LeaveFormsOfUnreadUnit(i);
  }
  // A file that would change is left as it is, with its group, when
  // replacing it would go against what its owner set: it is read-only, or
  // it has other names that a replacement would leave with the old text.
  if (done.changed && !done.skipped) {
    const std::string refused = RefusedReplacement(done, r_.Options->IncludeReadOnly);
    if (!refused.empty()) r_.SkipFile(i, refused);
  }
  if (done.form_unknown && !done.skipped)
    r_.SkipFile(i, res::Format(res::kFormNotLookedFor, {ExtractFileDir(file)}));
}

std::string RewriteStage::RefusedReplacement(const RunFile& file, bool include_read_only) {
  if (file.read.read_only && !include_read_only) return kReadOnly;
  if (file.read.links > 1) return res::Format(kHardLinked, {std::to_string(file.read.links)});
  return "";
}

void RewriteStage::SkipUnread(int i, const std::string& reason) {
  r_.SkipFile(i, reason);
  LeaveFormsOfUnreadUnit(i);
}

void RewriteStage::LeaveFormsOfUnreadUnit(int i) {
  // A unit names its forms in its text: one that was not read named none,
  // and the forms beside it under its name would be left unmigrated without
  // a word. They join its group and are named.
  const std::string unit = r_.UnitList[i];
  if (UpperCase(ExtractFileExt(unit)) != ".PAS") return;
  for (const char* ext : {".dfm", ".nfm"}) {
    const std::string form = FindFileIgnoringCase(ChangeFileExt(unit, ext));
    if (form.empty()) continue;
    const int at = r_.run_files_.Add(r_.UnitList, form);
    r_.run_files_.JoinGroups(i, at);
    if (!r_.run_files_[at].skipped) r_.SkipFile(at, res::Format(kUnitNotRead, {unit}));
  }
}

void RewriteStage::LearnUnitClasses() {
  r_.Descendants.Clear();
  r_.Todo = TodoClasses::Of(r_);
  Disk& disk = CurrentDisk();
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    // A unit that cannot be decoded teaches nothing; the rewriting names it
    // when it gets there. One that cannot be read is left out at once: what
    // it declares would be missing from the others' migration.
    if (r_.run_files_.Has(i) && r_.run_files_[i].skipped) continue;
    std::string text, unread;
    if (ReadUnitText(disk, r_.UnitList[i], &text, &unread))
      r_.LearnClassDeclarations(text);
    else if (!unread.empty())
      SkipUnread(i, unread);
  }
}

void RewriteStage::RunInParallel(int threads) {
  WorkerPool pool(threads);
  for (int t = 0; t < threads; ++t) parsers_.push_back(r_.NewFormParser());
  LearnUnitClassesInParallel(pool);
  const int initial_count = r_.UnitList.Count();
  if (!RewriteRange(pool, 0, initial_count)) return;
  FileCountKnown();
  if (r_.UnitList.Count() == initial_count) return;
  ScanFormsInParallel(pool, initial_count);
  AliasStage(r_).Plan();
  RewriteRange(pool, initial_count, -1);
}

void RewriteStage::LearnUnitClassesInParallel(WorkerPool& pool) {
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
    FoldedMap<std::string> names;
    std::exception_ptr error;
  };
  std::deque<std::unique_ptr<Learnt>> learnt;
  WaitForTasks drain(pool, learnt);
  // What the units teach is taken in list order, a few units behind the
  // workers, so that it never waits in memory for long.
  const size_t ahead = static_cast<size_t>(kAheadPerThread) * 8;
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
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    // As on one thread.
    if (r_.run_files_.Has(i) && r_.run_files_[i].skipped) continue;
    take(ahead);
    learnt.push_back(std::make_unique<Learnt>());
    Learnt* l = learnt.back().get();
    l->index = i;
    const std::string file = r_.UnitList[i];
    l->ticket = pool.Submit([l, file, &tables](int) {
      try {
        std::string text;
        if (!ReadUnitText(CurrentDisk(), file, &text, &l->unread)) return;
        PasTokens tokens = SignificantTokens(text);
        l->classes.LearnFrom(tokens);
        l->names = tables.DeclaredNames(text, std::move(tokens));
      } catch (...) {
        l->error = std::current_exception();
      }
    });
  }
  take(0);
}

std::unique_ptr<RewriteWork> RewriteStage::HandOut(WorkerPool& pool, int i) {
  auto w = std::make_unique<RewriteWork>();
  // A file refused before it was reached, or whose name the undo file could
  // not hold, is not read.
  if (r_.run_files_[i].skipped || NameNotRecordable(i)) return w;
  const std::string file = r_.UnitList[i];
  w->dest_dir = WorkFolderOf(i);
  RewriteWork* work = w.get();
  w->ticket = pool.Submit([this, work, file](int worker) {
    RewriteWorkScope scope(work);
    work->parser = parsers_[static_cast<size_t>(worker)].get();
    if (!CurrentDisk().Stat(file, &work->read)) {
      work->open_failed = true;
      work->open_error = LookFailure(file);
      return;
    }
    try {
      r_.ProcessFile(file, work->dest_dir);
    } catch (const EFOpenError& e) {
      work->open_failed = true;
      work->open_error = e.what();
    } catch (...) {
      work->error = std::current_exception();
    }
  });
  return w;
}

bool RewriteStage::RewriteRange(WorkerPool& pool, int from, int to) {
  const int ahead = kAheadPerThread * static_cast<int>(parsers_.size());
  auto end = [&] { return to >= 0 ? to : r_.UnitList.Count(); };
  // The works handed to the pool and not yet taken.
  std::deque<std::unique_ptr<RewriteWork>> works;
  int next = from;
  WaitForTasks drain(pool, works);
  for (int i = from; i < end(); ++i) {
    // Hand out the next files; the list may have grown by the forms of the
    // last unit taken.
    for (; next < end() && next < i + ahead; ++next) works.push_back(HandOut(pool, next));
    std::unique_ptr<RewriteWork> w = std::move(works.front());
    works.pop_front();
    WaitForSeveral(pool, w->ticket, works);
    if (w->ticket >= 0) pool.Wait(w->ticket);
    if (r_.CancelRequested && r_.CancelRequested()) {
      r_.Cancelled = true;
      return false;
    }
    if (r_.run_files_[i].skipped) continue;
    if (r_.OnProgress) r_.OnProgress(i, r_.UnitList.Count(), r_.UnitList[i]);
    if (w->ticket < 0) {
      SkipUnread(i, res::kNameNotRecordable);
      continue;
    }
    TakeResults(i, *w);
  }
  return true;
}

void RewriteStage::TakeResults(int i, RewriteWork& w) {
  // The file's results, as the rewriter would have left them on this thread.
  for (const std::string& line : w.log) r_.Log.WriteLine(line);
  for (FileReport& report : w.reports) r_.Report.files.push_back(std::move(report));
  const int before = r_.ChangedCount;
  r_.ChangedCount += w.changed;
  RunFile& rf = r_.run_files_[i];
  rf.read = w.read;
  rf.hash = w.hash;
  rf.hashed = w.hashed;
  rf.form_unknown = rf.form_unknown || w.form_unknown;
  for (const std::string& form : w.forms)
    r_.run_files_.JoinGroups(i, r_.run_files_.Add(r_.UnitList, form));
  if (w.write_error && !r_.write_error_) r_.write_error_ = w.write_error;
  if (w.open_failed) {
    SkipUnread(i, w.open_error);
    return;
  }
  if (w.error) std::rethrow_exception(w.error);
  FinishFile(i, w.dest_dir, before);
}

void RewriteStage::ScanFormsInParallel(WorkerPool& pool, int from) {
  std::vector<std::unique_ptr<RewriteWork>> works;
  WaitForTasks drain(pool, works);
  for (int i = from; i < r_.UnitList.Count(); ++i) {
    works.push_back(std::make_unique<RewriteWork>());
    if (r_.run_files_[i].skipped) continue;
    RewriteWork* work = works.back().get();
    const std::string file = r_.UnitList[i];
    work->ticket = pool.Submit([this, work, file](int) {
      try {
        work->databases = r_.FormDatabases(file, &work->open_error);
      } catch (...) {
        work->error = std::current_exception();
      }
    });
  }
  // Applied in the order of the list, so that a name two forms declare
  // ends as the last one says.
  for (size_t k = 0; k < works.size(); ++k) {
    RewriteWork& w = *works[k];
    if (w.ticket < 0) continue;
    pool.Wait(w.ticket);
    w.ticket = -1;
    if (w.error) std::rethrow_exception(w.error);
    const int i = from + static_cast<int>(k);
    r_.Databases.Add(r_.UnitList[i], w.databases);
    if (!w.open_error.empty()) SkipUnread(i, w.open_error);
  }
}

}  // namespace tolvern
