// tolvern-gui: a small host window standing in for the development
// environment, with the migration expert loaded into its "Nexa" menu.
//
//   tolvern-gui [PROJECT.dpr]              the host, with the project open
//   tolvern-gui --wizard [PROJECT.dpr]     the same, with the wizard opened at once
//   tolvern-gui --screenshots DIR          every page of the wizard as PNG files
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "engine/nx_replacer.h"
#include "ide/host_window.h"
#include "ide/project_host.h"
#include "platform/settings_store.h"
#include "wizard/nx_wizard_form.h"
#include "wizard/zuvezod_res.h"

namespace {

using namespace tolvern;

// Renders every page of the wizard, walked as a user would, on a copy of
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
  TNXWizardForm wizard;
  WizardModel& m = wizard.Model();
  m.ProductName = "Nexa";
  m.Options = ReplaceOptions;
  wizard.SetWelcomeText(ReplaceOptions->Name, "Nexa");
  wizard.show();
  int shot = 0;
  auto save = [&](const char* name) {
    wizard.Refresh();
    QApplication::processEvents();
    QString file = QString("%1/%2-%3.png").arg(out_dir).arg(++shot).arg(name);
    wizard.grab().save(file);
    std::printf("%s\n", file.toStdString().c_str());
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
  save("options");
  m.GoNext();
  save("summary");
  m.GoBack(), m.GoBack(), m.GoBack();
  m.DestProject = false, m.DestFolder = true;
  m.Directory = app.string();
  m.GoNext();
  save("folder");
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
  QString module = qEnvironmentVariable("TOLVERN_EXPERT",
                                        QCoreApplication::applicationDirPath() + "/libtolvern_expert.so");
  QString error;
  if (!host.LoadExpert(module, &error))
    QMessageBox::warning(&host, "Tolvern", "The migration expert could not be loaded: " + error);
  if (!args.isEmpty() &&
      !host.OpenProjectFile(QString::fromStdString(std::filesystem::absolute(args[0].toStdString()).string())))
    return 2;
  host.show();
  if (open_wizard) {
    QTimer::singleShot(0, &host, [&host] {
      const auto items = host.NexaMenu()->actions();
      if (!items.isEmpty()) items.front()->trigger();
    });
  }
  return QApplication::exec();
}
