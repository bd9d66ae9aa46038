// tolvern-gui: a small host window standing in for the development
// environment, with the migration expert loaded into its "Nexa" menu.
//
//   tolvern-gui [PROJECT.dpr]              the host, with the project open
//   tolvern-gui --wizard [PROJECT.dpr]     the same, with the wizard opened at once
//   tolvern-gui --screenshots DIR          every page of the wizard, the progress
//                                          dialog and the outcome and failure
//                                          boxes as PNG files
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "platform/settings_store.h"
#include "qt/host_window.h"
#include "qt/nx_wizard_form.h"
#include "qt/outcome_box.h"
#include "qt/progress_form.h"
#include "qt/run_views.h"
#include "wizard/run_messages.h"
#include "wizard/run_report_page.h"
#include "wizard/wizard_run.h"

namespace {

using namespace tolvern;

// Saves widgets as numbered PNG files in one folder, printing each file's
// name.
class ShotWriter {
 public:
  explicit ShotWriter(const QString& out_dir) : out_dir_(out_dir) {}

  void Save(QWidget& w, const char* name) {
    QString file = QString("%1/%2-%3.png").arg(out_dir_).arg(++shot_).arg(name);
    w.grab().save(file);
    std::printf("%s\n", file.toStdString().c_str());
  }

 private:
  QString out_dir_;
  int shot_ = 0;
};

// Every page of the wizard, walked as a user would, over the project at
// `app`.
void SaveWizardPages(ShotWriter& shots, const std::filesystem::path& app) {
  TNXWizardForm wizard;
  WizardModel& m = wizard.Model();
  m.ProductName = "Nexa";
  m.Options = ReplaceOptions;
  wizard.SetWelcomeText(ReplaceOptions->Name, "Nexa");
  wizard.show();
  auto save = [&](const char* name) {
    wizard.Refresh();
    QApplication::processEvents();
    shots.Save(wizard, name);
  };
  save("welcome");
  m.ModeReplace = false, m.ModeRestore = true;
  m.GoNext();
  m.UndoFile = (app / "RBackup" / "ZUvezod.reu").string();
  save("backup-file");
  m.GoBack();
  m.ModeReplace = true, m.ModeRestore = false;
  m.GoNext();
  save("location");
  m.GoNext();
  m.Modules[3].checked = false;
  save("units");
  m.GoNext();
  m.IncludeReadOnly = true;
  m.FollowUses = true;
  m.ProfileFile = (app / "grids.json").string();
  RealDisk disk;
  WriteNewWholeFile(disk, m.ProfileFile, "{\"name\": \"grids\"}\n");
  save("options");
  m.GoNext();
  save("summary");
  m.ProfileFile.clear();
  m.GoBack(), m.GoBack(), m.GoBack();
  m.DestProject = false, m.DestFolder = true;
  m.Directory = app.string();
  m.GoNext();
  save("folder");
  wizard.hide();
}

// The Aliases step over an application on BDE aliases at `app`, with one
// alias bound, one a new connection with its tables' folder and one left,
// the data moved, and the summary after it.
void SaveAliasPages(ShotWriter& shots, const std::filesystem::path& app) {
  ProjectHost host;
  host.Load((app / "Ledger.dpr").string());
  ScopedIdeServices services(&host);
  RealDisk disk;
  TNXWizardForm wizard;
  WizardModel& m = wizard.Model();
  m.ProductName = "Nexa";
  m.Options = ReplaceOptions;
  m.ScanAliases = [&disk](const WizardModel& w) {
    return ScanWizardAliases(disk, w, *BdeReplacer);
  };
  wizard.SetWelcomeText(ReplaceOptions->Name, "Nexa");
  wizard.show();
  QApplication::processEvents();
  while (m.Page() != WizardPage::kAliases && m.CanNext()) {
    if (!m.GoNext().text.empty()) break;
    wizard.Refresh();
  }
  auto& items = m.Aliases.Items();
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].kind = i == 0   ? AliasChoiceKind::kNew
                    : i == 1 ? AliasChoiceKind::kBind
                             : AliasChoiceKind::kLeave;
    if (i == 0) items[i].database = "ledger.nxdb", items[i].server = "localhost";
    if (i == 0) items[i].data_folder = (app / "data").string();
    if (i == 1) items[i].bind = "frmReports.dbRemote";
  }
  m.Aliases.move_data = true;
  wizard.Refresh();
  QApplication::processEvents();
  shots.Save(wizard, "aliases");
  m.GoNext();
  wizard.Refresh();
  QApplication::processEvents();
  shots.Save(wizard, "aliases-summary");
  wizard.hide();
}

// What a run over the folder `app` shows: its progress dialog, its outcome
// box and the box of a run that fails.
void SaveRunDialogs(ShotWriter& shots, const std::filesystem::path& app) {
  const QString title = QString::fromStdString(ReplaceOptions->GetTitle());
  auto save = [&](QWidget& w, const char* name) {
    w.show();
    QApplication::processEvents();
    shots.Save(w, name);
    w.hide();
  };
  // A run in progress, as a large tree shows it: while the units are read
  // the total is not known yet; then it is.
  TProgressForm progress(title, res::kInitUnitList);
  progress.Progress(4211, 8935, (app / "Reports" / "Quarterly" / "SalesByRegion.pas").string());
  progress.show();
  QApplication::processEvents();
  progress.ShowState();
  save(progress, "progress-counting");
  progress.CountKnown(10668);
  progress.Progress(9402, 10668, (app / "Reports" / "Quarterly" / "SalesByRegion.dfm").string());
  progress.show();
  QApplication::processEvents();
  progress.ShowState();
  save(progress, "progress");
  // After the last file: the phase the run is in, then the replacing, when
  // Cancel is too late.
  progress.Phase(RunPhase::kCheckingOriginals);
  progress.show();
  QApplication::processEvents();
  progress.ShowState();
  save(progress, "progress-checking");
  progress.ReplacingOriginals();
  progress.show();
  QApplication::processEvents();
  progress.ShowState();
  save(progress, "progress-replacing");
  // The outcome of a real run over the example folder.
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = app.string();
  ReplaceOptions->BackupDir = (app / "RBackup").string();
  ReplaceOptions->ViewLog = false;
  // A form with a query object the run cannot convert.
  std::filesystem::create_directories(app / "Legacy");
  RealDisk disk;
  WriteNewWholeFile(disk, (app / "Legacy" / "OldQuery.pas").string(),
                    "unit OldQuery;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n"
                    "{$R *.DFM}\r\nend.\r\n");
  WriteNewWholeFile(disk, (app / "Legacy" / "OldQuery.dfm").string(),
                    "object Form1: TForm1\r\n  object qryBroken: TQuery\r\n    Tag = @\r\n"
                    "  end\r\nend\r\n");
  ReplaceOptions->IncludeSubDirs = true;
  RunReportPage page;
  page.Start(*BdeReplacer);
  BdeReplacer->Execute();
  page.Finish(*BdeReplacer, app.string());
  RunOutcome run;
  run.text = ReplaceOutcomeText(*BdeReplacer) + "\n" + page.OutcomeLine();
  run.report_path = page.Path();
  run.failure = OutcomeIsFailure(*BdeReplacer);
  run.log_path = RunLogPath(*ReplaceOptions);
  run.todo = BdeReplacer->Report.Todo();
  run.todo_path = BdeReplacer->TodoFilePath;
  QMessageBox outcome;
  FillOutcomeBox(outcome, title, run);
  save(outcome, "outcome");
  TTodoViewForm todo(title, run.todo, run.todo_path);
  todo.Items()->sortByColumn(TTodoViewForm::kLevel, Qt::AscendingOrder);
  save(todo, "todo-view");
  // A backup folder below a file, as a run finds it.
  const std::string taken = (app / "Orders.dpr" / "RBackup").string();
  ReplaceOptions->BackupDir = taken;
  QMessageBox failure(QMessageBox::Critical, title,
                      QString::fromStdString(RunFailureText(
                          disk, EFCreateError(res::kFailedToCreateDirectory), *ReplaceOptions)),
                      QMessageBox::Ok);
  save(failure, "failure");
}

// Renders every page of the wizard, then the dialogs of a run, on a copy of
// the bundled example.
int Screenshots(const QString& out_dir) {
  QDir().mkpath(out_dir);
  QTemporaryDir temp;
  std::filesystem::path example = std::filesystem::path(TOLVERN_SOURCE_DIR) / "examples/orders";
  std::filesystem::path app = std::filesystem::path(temp.path().toStdString()) / "Orders";
  std::filesystem::copy(example, app, std::filesystem::copy_options::recursive);
  ProjectHost host;
  host.Load((app / "Orders.dpr").string());
  ScopedIdeServices services(&host);
  ShotWriter shots(out_dir);
  SaveWizardPages(shots, app);
  const std::filesystem::path ledger = std::filesystem::path(temp.path().toStdString()) / "Ledger";
  std::filesystem::copy(std::filesystem::path(TOLVERN_SOURCE_DIR) / "tests/data/aliases", ledger,
                        std::filesystem::copy_options::recursive);
  SaveAliasPages(shots, ledger);
  SaveRunDialogs(shots, app);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tolvern-gui");
  QStringList args = QApplication::arguments();
  args.removeFirst();
  if (args.size() == 2 && args[0] == "--screenshots") {
    NXReplacerScope library;
    return Screenshots(args[1]);
  }
  const bool open_wizard = args.removeAll("--wizard") > 0;
  HostWindow host;
  ScopedIdeServices services(&host);
  QString module = qEnvironmentVariable(
      "TOLVERN_EXPERT", QCoreApplication::applicationDirPath() + "/libtolvern_expert.so");
  QString error;
  if (!host.LoadExpert(module, &error))
    QMessageBox::warning(&host, "Tolvern", "The migration expert could not be loaded: " + error);
  // A project that cannot be opened is named in a message; the host stays,
  // for the user to open another.
  const bool opened =
      !args.isEmpty() && host.OpenProjectFile(QString::fromStdString(
                             std::filesystem::absolute(args[0].toStdString()).string()));
  host.show();
  if (open_wizard && (opened || args.isEmpty())) {
    QTimer::singleShot(0, &host, [&host] {
      const auto items = host.NexaMenu()->actions();
      if (!items.isEmpty()) items.front()->trigger();
    });
  }
  return QApplication::exec();
}
