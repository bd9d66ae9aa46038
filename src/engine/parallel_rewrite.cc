// The rewriting of a run on several threads. Workers rewrite the files of
// the unit list and keep what each file would have done to the run (its log
// lines, report entries, change count, the forms its unit named); the thread
// that runs Execute takes those results in the order of the list, calls the
// caller's hooks there, and so leaves the log, the report, the undo file and
// the unit list exactly as a run on one thread does.
#include <deque>
#include <exception>
#include <memory>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "files/file_utils.h"
#include "platform/background_writer.h"
#include "platform/disk.h"
#include "platform/worker_pool.h"

namespace tolvern {

struct RewriteWork {
  int ticket = -1;  // in the pool; -1: nothing to run
  std::string dest_dir;
  TFormParser* parser = nullptr;
  FileStamp read;
  size_t hash = 0;
  bool hashed = false;
  std::vector<std::string> log;
  FileReports reports;
  int changed = 0;
  std::vector<std::string> forms;  // named by the unit, in order
  bool form_unknown = false;
  bool open_failed = false;  // the file could not be read: skipped
  std::string open_error;
  std::exception_ptr error;                                    // anything else: the run stops there
  std::exception_ptr write_error;                              // writing the rewritten file failed
  std::vector<std::pair<std::string, std::string>> databases;  // a form's scan
};

namespace {

// The work of the file the calling thread is rewriting, if it is a worker.
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

struct WorkScope {
  explicit WorkScope(RewriteWork* w) { t_work = w; }
  ~WorkScope() { t_work = nullptr; }
};

}  // namespace

void TComponentReplacer::LogLine(const std::string& line) {
  if (t_work)
    t_work->log.push_back(line);
  else
    Log.WriteLine(line);
}

FileReports& TComponentReplacer::ReportFiles() { return t_work ? t_work->reports : Report.files; }

void TComponentReplacer::CountChanged() {
  if (t_work)
    ++t_work->changed;
  else
    ++ChangedCount;
}

TFormParser& TComponentReplacer::FormParser() {
  return t_work && t_work->parser ? *t_work->parser : *ObjectParser;
}

bool TComponentReplacer::NoteFormOf(const std::string& form, bool list_failed) {
  if (!t_work) return false;
  if (list_failed) t_work->form_unknown = true;
  if (!form.empty()) t_work->forms.push_back(form);
  return true;
}

void TComponentReplacer::NoteRead(std::string_view bytes) {
  if (t_work) {
    t_work->hash = std::hash<std::string_view>{}(bytes);
    t_work->hashed = true;
    return;
  }
  if (current_ < 0 || current_ >= run_files_.Count()) return;
  RunFile& f = run_files_[current_];
  f.hash = std::hash<std::string_view>{}(bytes);
  f.hashed = true;
}

void TComponentReplacer::WriteOutput(const std::string& path, std::string data) {
  // A worker writes its file itself, so that the writing is spread over the
  // threads too; a failure is kept until the rewriting ends, as the
  // background writer keeps its own.
  if (t_work && writer_) {
    try {
      WriteNewWholeFile(path, data);
    } catch (...) {
      if (!t_work->write_error) t_work->write_error = std::current_exception();
    }
    return;
  }
  if (writer_)
    writer_->Submit(path, std::move(data));
  else
    WriteNewWholeFile(path, data);
}

std::unique_ptr<TFormParser> TComponentReplacer::NewFormParser() {
  std::unique_ptr<TFormParser> parser = parser_class_();
  parser->OnGetConnection = [this](const std::string& prop, const std::string& value) {
    return GetDatabaseConnection(prop, value);
  };
  return parser;
}

void TComponentReplacer::RewriteInParallel(const std::string& temp_dir, int threads) {
  WorkerPool pool(threads);
  std::vector<std::unique_ptr<TFormParser>> parsers;
  for (int t = 0; t < threads; ++t) parsers.push_back(NewFormParser());
  // Every unit's classes are learnt before any file is rewritten: what a
  // unit declares may be needed for any other. The units come first; the
  // forms they named come after them in the list and are converted once
  // every unit has been taken. In project mode the forms are scanned for
  // database names in between.
  LearnUnitClassesInParallel(pool);
  const int initial_count = UnitList.Count();
  if (!RewriteRange(pool, 0, initial_count, temp_dir, parsers)) return;
  if (UnitList.Count() == initial_count) return;
  if (Options->Dest == RunSource::kProject) ScanFormsInParallel(pool, initial_count);
  RewriteRange(pool, initial_count, -1, temp_dir, parsers);
}

void TComponentReplacer::LearnUnitClassesInParallel(WorkerPool& pool) {
  Descendants.Clear();
  Todo = TodoClasses::Of(*this);
  // The workers read their own copy of the class tables, while this thread
  // adds what each unit declares to the run's.
  const TodoClasses tables = Todo;
  struct Learnt {
    int ticket = -1;
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
      Descendants.Absorb(std::move(l->classes));
      Todo.LearnNames(std::move(l->names));
    }
  };
  for (int i = 0; i < UnitList.Count(); ++i) {
    // A unit that cannot be read or decoded teaches nothing; the rewriting
    // names it when it gets there.
    if (i < run_files_.Count() && run_files_[i].skipped) continue;
    take(ahead);
    learnt.push_back(std::make_unique<Learnt>());
    Learnt* l = learnt.back().get();
    const std::string file = UnitList[i];
    l->ticket = pool.Submit([l, file, &tables](int) {
      try {
        std::string text;
        if (!ReadUnitText(CurrentDisk(), file, &text)) return;
        std::vector<PasToken> tokens = SignificantTokens(text);
        l->classes.LearnFrom(tokens);
        l->names = tables.DeclaredNames(text, std::move(tokens));
      } catch (...) {
        l->error = std::current_exception();
      }
    });
  }
  take(0);
}

bool TComponentReplacer::RewriteRange(WorkerPool& pool, int from, int to,
                                      const std::string& temp_dir,
                                      std::vector<std::unique_ptr<TFormParser>>& parsers) {
  const bool undo_file = Options->MakeBackup && !Options->DryRun;
  const int ahead = kAheadPerThread * static_cast<int>(parsers.size());
  auto end = [&] { return to >= 0 ? to : UnitList.Count(); };
  // The works handed to the pool and not yet taken, from index `taken`.
  std::deque<std::unique_ptr<RewriteWork>> works;
  int next = from;
  WaitForTasks drain(pool, works);
  for (int i = from; i < end(); ++i) {
    // Hand out the next files; the list may have grown by the forms of the
    // last unit taken.
    for (; next < end() && next < i + ahead; ++next) {
      auto w = std::make_unique<RewriteWork>();
      const std::string file = UnitList[next];
      // A file refused before it was reached, or whose name the undo file
      // could not hold, is not read.
      if (!run_files_[next].skipped &&
          !(undo_file && file.find_first_of("=\r\n") != std::string::npos)) {
        w->dest_dir = WorkFolderOf(next, temp_dir);
        RewriteWork* work = w.get();
        w->ticket = pool.Submit([this, work, file, &parsers](int worker) {
          WorkScope scope(work);
          work->parser = parsers[static_cast<size_t>(worker)].get();
          CurrentDisk().Stat(file, &work->read);
          try {
            ProcessFile(file, work->dest_dir);
          } catch (const EFOpenError& e) {
            work->open_failed = true;
            work->open_error = e.what();
          } catch (...) {
            work->error = std::current_exception();
          }
        });
      }
      works.push_back(std::move(w));
    }
    std::unique_ptr<RewriteWork> w = std::move(works.front());
    works.pop_front();
    WaitForSeveral(pool, w->ticket, works);
    if (w->ticket >= 0) pool.Wait(w->ticket);
    if (CancelRequested && CancelRequested()) {
      Cancelled = true;
      return false;
    }
    const std::string file = UnitList[i];
    if (run_files_[i].skipped) continue;
    if (OnProgress) OnProgress(i, UnitList.Count(), file);
    if (w->ticket < 0) {
      SkipFile(i, res::kNameNotRecordable);
      continue;
    }
    // The file's results, as the rewriter would have left them on this
    // thread.
    for (const std::string& line : w->log) Log.WriteLine(line);
    for (FileReport& r : w->reports) Report.files.push_back(std::move(r));
    const int before = ChangedCount;
    ChangedCount += w->changed;
    {
      RunFile& rf = run_files_[i];
      rf.read = w->read;
      rf.hash = w->hash;
      rf.hashed = w->hashed;
      rf.form_unknown = rf.form_unknown || w->form_unknown;
    }
    for (const std::string& form : w->forms)
      run_files_.JoinGroups(i, run_files_.Add(UnitList, form));
    if (w->write_error && !write_error_) write_error_ = w->write_error;
    if (w->open_failed) {
      SkipFile(i, w->open_error);
      continue;
    }
    if (w->error) std::rethrow_exception(w->error);
    FinishFile(i, w->dest_dir, before);
  }
  return true;
}

void TComponentReplacer::ScanFormsInParallel(WorkerPool& pool, int from) {
  std::vector<std::unique_ptr<RewriteWork>> works;
  WaitForTasks drain(pool, works);
  for (int i = from; i < UnitList.Count(); ++i) {
    works.push_back(std::make_unique<RewriteWork>());
    if (run_files_[i].skipped) continue;
    RewriteWork* work = works.back().get();
    const std::string file = UnitList[i];
    work->ticket = pool.Submit([this, work, file](int) {
      try {
        work->databases = FormDatabases(file);
      } catch (...) {
        work->error = std::current_exception();
      }
    });
  }
  // Applied in the order of the list, so that a name two forms declare
  // ends as the last one says.
  for (auto& w : works) {
    if (w->ticket < 0) continue;
    pool.Wait(w->ticket);
    w->ticket = -1;
    if (w->error) std::rethrow_exception(w->error);
    for (const auto& [name, component] : w->databases) DatabaseMap.SetValue(name, component);
  }
}

}  // namespace tolvern
