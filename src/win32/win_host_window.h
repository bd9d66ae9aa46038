// A small main window that plays the development environment's part for the
// expert on Windows, as the Qt host does elsewhere: it opens a project file,
// lists the project's modules, answers the environment's questions and
// requests (recording them), has the product menu "&Nexa" that experts fill,
// and loads experts as the environment does: a DLL and its INITWIZARD0001.
#pragma once

#ifdef _WIN32

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ide/project_host.h"
#include "platform/windows_api.h"

namespace tolvern {

// The entry point of an expert module, as the environment calls it.
using RegisterWizardProc = bool(WINAPI*)(IOTAWizard* wizard);
using InitWizardProc = bool(WINAPI*)(IdeServices* services, RegisterWizardProc register_proc,
                                     void** terminate);

class WinHostWindow : public ProjectHost, public TKAMenu {
 public:
  WinHostWindow();
  ~WinHostWindow() override;
  WinHostWindow(const WinHostWindow&) = delete;
  WinHostWindow& operator=(const WinHostWindow&) = delete;

  // Creates the main window (not shown).
  HWND Create();
  // Whether closing the window ends the thread's message loop (the host
  // program's main window); off by default, so that a host made and dropped
  // in tests leaves no quit message for the dialogs that come after it.
  void QuitWhenClosed(bool on) { quit_when_closed_ = on; }
  HWND Handle() const { return hwnd_; }
  // The menu's keys (Ctrl+O): true when msg was one of them and was carried
  // out; the host's message loop asks before dispatching.
  bool TranslateKeys(MSG* msg);

  // Loads an expert module and calls its entry point; false, with the reason
  // in *error, when it cannot be loaded or has no entry point.
  bool LoadExpert(const std::string& path, std::string* error);
  const std::vector<std::unique_ptr<IOTAWizard>>& Wizards() const { return wizards_; }
  void AdoptWizard(IOTAWizard* wizard) { wizards_.emplace_back(wizard); }

  // Opens a project file; a message names the file when it cannot be read.
  bool OpenProjectFile(const std::string& file);

  // The items of the product menu, by caption and name, and choosing one (as
  // the user does from the menu); false when there is no such item.
  struct MenuItem {
    std::string caption, name;
    std::function<void()> on_click;
  };
  const std::vector<MenuItem>& MenuItems() const { return items_; }
  bool ChooseMenuItem(const std::string& name);

  // The environment.
  bool CloseProjectGroup() override;
  bool OpenProject(const std::string& file_name) override;
  TKAMenu* ProductMenu() override { return this; }
  void AddWizard(const std::string& caption, const std::string& name,
                 std::function<void()> on_click) override;

 private:
  static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void ShowModules();
  void Layout();

  HWND hwnd_ = nullptr;
  bool quit_when_closed_ = false;
  HWND list_ = nullptr;
  HMENU nexa_menu_ = nullptr;
  HACCEL keys_ = nullptr;
  std::vector<MenuItem> items_;
  std::vector<std::unique_ptr<IOTAWizard>> wizards_;
  std::vector<HMODULE> modules_;
};

}  // namespace tolvern

#endif  // _WIN32
