// The expert as a loadable module. Loading it builds the options and the two
// replacers; the environment then calls INITWIZARD0001, which creates the
// expert with the Nexa wizard, puts its item into the product menu and
// registers it. Unloading frees what loading built.
#include <QApplication>
#include <QMessageBox>

#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "ide/ide_utils.h"
#include "platform/message_box.h"
#include "qt/nx_wizard_form.h"
#include "qt/path_text.h"
#include "qt/replace_expert.h"

namespace {

using namespace tolvern;

// The module's start-up and shut-down.
struct Library {
  Library() {
    NXReplacerStartup();
    SetMessageBoxHandler([](const std::string& text, const std::string& caption, int flags) {
      QMessageBox box(flags & MB_ICONERROR ? QMessageBox::Critical : QMessageBox::Information,
                      QString::fromStdString(caption), BreakablePaths(text), QMessageBox::Ok,
                      QApplication::activeWindow());
      box.setTextInteractionFlags(Qt::TextSelectableByMouse);
      box.exec();
    });
  }
  ~Library() { NXReplacerShutdown(); }
} g_library;

TCompReplaceExpert* g_expert = nullptr;  // not counted: the environment owns it

}  // namespace

using RegisterWizardProc = bool (*)(tolvern::IOTAWizard* wizard);

extern "C" __attribute__((visibility("default"))) bool INITWIZARD0001(
    tolvern::IdeServices* services, RegisterWizardProc register_proc, void** terminate) {
  (void)terminate;
  try {
    // The environment that calls is the one to work with, also when the
    // module stayed loaded from an earlier host.
    if (services) InstallIdeServices(services);
    TKAMenu* menu = TIDEUtils::GetProductMenu();
    if (!menu) throw Exception("The Nexa product menu is not available.");
    auto expert = std::make_unique<TCompReplaceExpert>(
        [] { return std::make_unique<TNXWizardForm>(QApplication::activeWindow()); },
        res::kProductCaption, menu, BdeReplacer);
    expert->AddReplacer(AdoReplacer);
    g_expert = expert.release();
    register_proc(g_expert);
  } catch (const std::exception& e) {
    QMessageBox::critical(QApplication::activeWindow(), "Tolvern", e.what());
  }
  return true;
}
