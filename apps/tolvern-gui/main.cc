// tolvern-gui: the migration wizard in a window.
//
//   tolvern-gui [--wizard] [PROJECT.dpr]   the wizard, on the project if given
//   tolvern-gui --screenshots DIR          every page of the wizard as PNG files
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "platform/settings_store.h"
#include "wizard/nx_wizard_form.h"
#include "wizard/zuvezod_res.h"

namespace {

using namespace tolvern;

// Shows the wizard on the open project and runs what it was set up for.
int RunWizard() {
  TReplaceOptions& options = *ReplaceOptions;
  TRegIniFile reg(res::kRegistryKey);
  const std::string section = options.GetTitle();
  options.LoadFromRegistry(reg, section);
  TNXWizardForm wizard;
  wizard.Model().ProductName = "Nexa";
  wizard.Model().Options = &options;
  wizard.SetWelcomeText(options.Name, "Nexa");
  wizard.Model().LoadSettings(reg, section);
  if (!reg.Warning().empty()) QMessageBox::warning(nullptr, QString::fromStdString(section), QString::fromStdString(reg.Warning()));
  if (wizard.exec() != QDialog::Accepted) return 0;
  const int mode = wizard.GetMode();
  bool ok = false;
  std::string message;
  try {
    if (mode == 100) {
      ok = BdeReplacer->RestoreFiles(wizard.UndoFile());
      message = ok ? res::kRestoreSucceeded : res::kRestoreFailed;
    } else {
      ok = (mode == 1 ? AdoReplacer : BdeReplacer)->Execute();
      message = ok ? res::kReplaceSucceeded : res::kReplaceFailed;
    }
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QString::fromStdString(section), e.what());
    return 1;
  }
  if (ok)
    QMessageBox::information(nullptr, QString::fromStdString(section), QString::fromStdString(message));
  else
    QMessageBox::critical(nullptr, QString::fromStdString(section), QString::fromStdString(message));
  options.SaveToRegistry(reg, section);
  wizard.Model().SaveSettings(reg, section);
  return ok ? 0 : 1;
}

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
  NXReplacerScope library;
  QStringList args = QApplication::arguments();
  args.removeFirst();
  if (args.size() == 2 && args[0] == "--screenshots") return Screenshots(args[1]);
  args.removeAll("--wizard");
  ProjectHost host;
  ScopedIdeServices services(&host);
  if (!args.isEmpty()) {
    try {
      host.Load(std::filesystem::absolute(args[0].toStdString()).string());
    } catch (const std::exception& e) {
      QMessageBox::critical(nullptr, "tolvern-gui", e.what());
      return 2;
    }
  }
  return RunWizard();
}
