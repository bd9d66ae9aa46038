// The expert as a Windows DLL (tolvern_expert.dll). Loading it builds the
// options and the two replacers; the environment then calls INITWIZARD0001
// (exported by that name, with the system's calling convention), which
// creates the expert with the native Nexa wizard, puts its item into the
// product menu and registers it. Unloading frees what loading built.
#ifdef _WIN32

#include <memory>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "ide/ide_utils.h"
#include "platform/message_box.h"
#include "win32/win_controls.h"
#include "win32/win_replace_expert.h"

namespace {

using namespace tolvern;

// The module's start-up and shut-down.
struct Library {
  Library() {
    NXReplacerStartup();
    SetMessageBoxHandler([](const std::string& text, const std::string& caption, int flags) {
      ShowMessageBox(ExpertOwnerWindow(), text, caption,
                     static_cast<UINT>(flags & (MB_ICONERROR | MB_ICONINFORMATION)));
    });
  }
  ~Library() { NXReplacerShutdown(); }
} g_library;

TWinReplaceExpert* g_expert = nullptr;  // not counted: the environment owns it

}  // namespace

using RegisterWizardProc = bool(WINAPI*)(tolvern::IOTAWizard* wizard);

extern "C" __declspec(dllexport) bool WINAPI
    INITWIZARD0001(tolvern::IdeServices* services, RegisterWizardProc register_proc,
                   void** terminate) {
  (void)terminate;
  try {
    // The environment that calls is the one to work with, also when the
    // module stayed loaded from an earlier host.
    if (services) InstallIdeServices(services);
    TKAMenu* menu = TIDEUtils::GetProductMenu();
    if (!menu) throw Exception("The Nexa product menu is not available.");
    auto expert = std::make_unique<TWinReplaceExpert>(res::kProductCaption, menu, BdeReplacer);
    expert->AddReplacer(AdoReplacer);
    g_expert = expert.release();
    if (register_proc) register_proc(g_expert);
  } catch (const std::exception& e) {
    ShowMessageBox(ExpertOwnerWindow(), e.what(), "Tolvern", MB_ICONERROR);
  }
  return true;
}

#endif  // _WIN32
