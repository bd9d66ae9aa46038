// The phases of a run after its files are rewritten: the lists, the check of
// the originals, the backups and the undo file, the replacements. A cancel
// is honoured at the start of each and once more right before the first
// original is replaced.
#include "base/finally.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "engine/originals_check.h"
#include "engine/run_commit.h"
#include "engine/run_data_move.h"
#include "engine/sarif_report.h"
#include "engine/todo_list.h"
#include "files/file_utils.h"

namespace tolvern {

const char* RunPhaseText(RunPhase phase) {
  switch (phase) {
    case RunPhase::kMovingData:
      return res::kPhaseMovingData;
    case RunPhase::kWritingLists:
      return res::kPhaseWritingLists;
    case RunPhase::kCheckingOriginals:
      return res::kPhaseCheckingOriginals;
    case RunPhase::kBackingUp:
      return res::kPhaseBackingUp;
    case RunPhase::kReplacingOriginals:
      break;
  }
  return res::kPhaseReplacingOriginals;
}

bool TComponentReplacer::StopAsked() {
  if (!Cancelled && CancelRequested && CancelRequested()) Cancelled = true;
  return Cancelled;
}

void TComponentReplacer::EnterPhase(RunPhase phase) {
  if (OnPhase) OnPhase(phase);
}

void TComponentReplacer::MoveRunData(Disk& disk, const std::string& tree) {
  // The aliases the profiles give a table folder, the run's first; then
  // each alias of the run they give none, named so.
  std::vector<AliasDataSource> sources;
  FoldedSet named;
  for (const AliasOutcome& a : Aliases.aliases)
    for (const AliasRule& rule : AliasRules)
      if (rule.data && SameText(rule.alias, a.use.alias) && named.insert(rule.alias).second)
        sources.push_back({rule.alias, rule.data_folder, rule.data_passwords});
  for (const AliasRule& rule : AliasRules)
    if (rule.data && named.insert(rule.alias).second)
      sources.push_back({rule.alias, rule.data_folder, rule.data_passwords});
  Report.data = MoveAliasData(disk, tree, sources, Options->CodePage);
  for (const AliasOutcome& a : Aliases.aliases)
    if (named.insert(a.use.alias).second) {
      AliasDataReport& r = Report.data.emplace_back();
      r.alias = a.use.alias;
      r.problems.push_back("no profile gives the alias's table folder (\"data\" in its rule)");
    }
  if (Report.data.empty()) Log.WriteLine("No BDE alias of the run: no table was moved.");
  for (const AliasDataReport& r : Report.data) Log.WriteLine(DataMoveLine(r));
  for (FileReport& f : Report.files) NameMovedTables(Report.data, &f.todo);
}

bool TComponentReplacer::CommitRun(Disk& disk, const std::string& tree, int threads) {
  if (Options->MoveData) {
    EnterPhase(RunPhase::kMovingData);
    MoveRunData(disk, tree);
    if (StopAsked()) return false;
  }
  // The list of what is left for a person goes beside the log before any
  // original is replaced, so that a list that cannot be written stops the
  // run with nothing changed.
  EnterPhase(RunPhase::kWritingLists);
  if (Options->WriteLog) {
    TodoFilePath = WriteRunTodoFile(disk, PathJoin(tree, res::kTodoFileName), Report.TodoParts());
    // The same list for editors and CI, its paths relative to the tree.
    WriteSarifFile(disk, PathJoin(tree, kSarifTodoFileName), Report, {tree, Options->CodePage});
  }
  if (StopAsked()) return false;
  EnterPhase(RunPhase::kCheckingOriginals);
  SkipFileFn skip = [this](int i, const std::string& why) { SkipFile(i, why); };
  OriginalsCheck check(disk, UnitList, run_files_, skip);
  check.LeaveOutChanged(threads);
  check.KeepGroupsTogether();
  if (StopAsked()) return false;
  EnterPhase(RunPhase::kBackingUp);
  RunCommit commit(
      disk, *Options, UnitList, run_files_,
      {[this](const std::string& line) { Log.WriteLine(line); }, skip,
       [this](const std::string& path, const std::string& why) { NotMigrated(path, why); }},
      &CreatedFiles);
  // What the commit did is the replacer's to show, also when it throws.
  Finally take_outcome([this, &commit] {
    UndoList = commit.Outcome().undo_lines;
    UndoFilePath = commit.Outcome().undo_file;
    EarlierUndoFile = commit.Outcome().earlier_undo_file;
  });
  // Until the first original is replaced, a stop (a cancel, an error) takes
  // back every backup, the undo file and the files the run created.
  Finally withdraw([&commit] { commit.Withdraw(); });
  if (Options->MakeBackup) {
    commit.BackupOriginals();
    // Every backup and rewritten file is durable before the undo file names
    // them, and the undo file before any original is replaced, so that a
    // run cut short at any point can still be undone.
    commit.MakeDurable();
    commit.WriteUndoFile();
  }
  // The files the run creates are made before any original is replaced:
  // the rewritten forms refer to them.
  commit.CreateFiles();
  commit.MakeDurable();
  if (OnReplacingOriginals) OnReplacingOriginals();
  // The last moment a cancel is honoured: a question still open when the
  // replacing was announced has been answered by now.
  if (StopAsked()) return false;
  withdraw.Dismiss();
  EnterPhase(RunPhase::kReplacingOriginals);
  const bool replaced = commit.ReplaceOriginals(threads, ChangedCount > 0);
  if (CancelRequested && CancelRequested()) {
    CancelCameTooLate = true;
    Log.WriteLine(res::kCancelTooLateLog);
  }
  return replaced;
}

}  // namespace tolvern
