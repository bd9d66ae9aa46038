// The migration wizard apart from its widgets: its pages and the moves
// between them, the enabling rules, the caption, the validations and their
// messages, the unit list, the backup folder proposal, the summary, the
// remembered settings, and what Finish writes into the run options. The Qt
// dialog shows this state and forwards the user's input to it, so all of it is
// tested without a screen.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/replace_options.h"
#include "platform/disk.h"
#include "wizard/alias_choices.h"

namespace tolvern {

// What the wizard's Finish asks for. The numbers are the replacer's index in
// the library (BDE 0, ADO 1) and 100 for a restore.
enum class WizardMode {
  kReplaceBde = 0,
  kReplaceAdo = 1,
  kRestore = 100,
};

// A replace mode of the first page: the family's replacer, and the caption
// of its button.
struct WizardModeChoice {
  WizardMode mode;
  std::string caption;
};

class TRegIniFile;

enum class WizardPage {
  kStep1,
  kStep2Restore,
  kStep2Replace,
  kStep3Proj,
  kStep3Dir,
  kStep4,
  kAliases,  // shown when the scan of the chosen files finds BDE aliases
  kFinal
};

// A message the dialog shows after a refused Next, and the control that gets
// the focus.
struct WizardMessage {
  enum class Kind { kNone, kMessageBox, kInformationDialog };
  Kind kind = Kind::kNone;
  std::string text;
  std::string focus;  // control name: "edUndoFile", "cbDirectory", "lbModules"
};

struct UnitLine {
  std::string name;
  bool checked = false;
};

class WizardModel {
 public:
  static constexpr int kHistoryLimit = 10;

  // Looks at the files the user names through disk (the real disk unless
  // one is given).
  WizardModel() : disk_(own_disk_) {}
  explicit WizardModel(Disk& disk) : disk_(disk) {}
  virtual ~WizardModel() = default;
  WizardModel(const WizardModel&) = delete;
  WizardModel& operator=(const WizardModel&) = delete;

  // Set by the caller before showing.
  std::string ProductName;
  TReplaceOptions* Options = nullptr;

  void SetWelcomeText(const std::string& source_name, const std::string& target_name);
  // Initialises the controls from the options and the open project; after
  // ReturnToSummary, keeps everything as it is instead.
  virtual void Show();
  // The next Show keeps the pages as the user left them, on the summary: the
  // run was not started after Finish (the user declined to go on).
  void ReturnToSummary() { keep_on_show_ = true; }
  void Close() { Modules.clear(); }

  // What Finish asks for: a restore, or the replacer to run.
  virtual WizardMode GetMode() const {
    return ModeRestore ? WizardMode::kRestore : WizardMode::kReplaceBde;
  }

  // Moves; GoNext returns the message of a refused move.
  WizardMessage GoNext();
  void GoBack();
  WizardPage Page() const { return page_; }

  bool CanBack() const { return page_ != WizardPage::kStep1; }
  bool CanNext() const;
  // On the summary, when Finish would be accepted (see Finish).
  bool CanFinish() const;
  bool BackupControlsEnabled() const { return MakeBackup; }
  bool ViewLogEnabled() const { return WriteLog; }

  std::string Caption() const;
  int GetStepNumber() const;
  int GetStepCount() const;

  void SelectAll(bool checked);
  // The user typed in, picked or browsed for the backup folder.
  void EditBackupDir(const std::string& text);
  std::string GetBackupDir() const;

  // Writes the options and the histories (Finish). A project run without a
  // unit is refused, writing nothing, and taken to the units.
  WizardMessage Finish();
  // Writes what the pages say into options (the run's, or a scan's copy).
  void ApplyTo(TReplaceOptions& options) const;
  // The problems of the chosen profile file, as `tolvern profile --check`
  // names them; empty when there is none or it is valid.
  std::vector<std::string> ProfileProblems() const;

  // What became of the run Finish asked for, for the undo file remembered:
  // the undo file a replace run wrote ("" for none), and the undo file a
  // restore put back.
  void ReplaceRunEnded(const std::string& undo_file_written);
  void RestoreRunEnded(const std::string& undo_file_restored);

  void LoadSettings(TRegIniFile& reg, const std::string& section);
  void SaveSettings(TRegIniFile& reg, const std::string& section) const;
  static void AddToHistory(const std::string& text, std::vector<std::string>& history);

  // The state of the controls.
  std::string WelcomeText;
  std::string ReplaceCaption = "&Replace BDE components";
  bool ModeReplace = true;
  bool ModeReplaceAdo = false;
  bool ModeRestore = false;
  std::string UndoFile;
  // The undo file of the last replace run, offered for the next restore;
  // cleared once a restore has put it back.
  std::string LastUndo;
  bool DestProjectEnabled = true;
  bool DestProject = true;
  bool DestFolder = false;
  std::vector<UnitLine> Modules;
  std::string Directory;
  std::vector<std::string> DirHistory;
  bool SubDirs = false;
  bool MakeBackup = true;
  std::string BackupDir;
  std::vector<std::string> BackDirHistory;
  bool WriteLog = true;
  bool ViewLog = false;
  // Migrate read-only files too (the run's IncludeReadOnly); never stored.
  bool IncludeReadOnly = false;
  // Migrate the units outside the project file too (the run's FollowUses).
  bool FollowUses = false;
  // Take the old library's units out of the uses clauses nothing needs them
  // in (the run's DropOldUnits).
  bool DropOldUnits = false;
  // The mapping profile the run takes ("" for the built-in one),
  // remembered per project (or folder).
  std::string ProfileFile;
  std::map<std::string, std::string> ProfileFor;
  // Finds the BDE aliases of the run the pages describe (set by the expert;
  // unset, the wizard has no Aliases step).
  std::function<std::vector<AliasReport>(const WizardModel&)> ScanAliases;
  AliasChoices Aliases;
  // The project file (or folder) whose runs were last chosen without a
  // backup; any other starts with backup on.
  std::string BackupOffFor;
  std::string Summary;
  int Left = 0;
  int Top = 0;

  std::string ProjectFileName;
  bool BackupDirEdited = false;

 protected:
  void FillUnitList();
  bool CheckUnitSelection() const;
  void SuggestBackupDir();
  std::string BaseFolder() const;
  // The project file, or the folder in folder mode.
  std::string RunPlace() const;
  // The family the run replaces, as the summary names it.
  virtual std::string ModeName() const;
  void BuildRestoreSummary();
  void BuildReplaceSummary();
  // The refusal of a project run without a unit, moving to the units.
  WizardMessage RefuseNoUnit();

  WizardPage page_ = WizardPage::kStep1;
  bool keep_on_show_ = false;
  RealDisk own_disk_;
  Disk& disk_;
};

// The wizard of the Nexa migration: a third mode for ADO components.
class NXWizardModel : public WizardModel {
 public:
  using WizardModel::WizardModel;
  void Show() override;
  std::string ModeName() const override;
  WizardMode GetMode() const override {
    return ModeRestore      ? WizardMode::kRestore
           : ModeReplaceAdo ? WizardMode::kReplaceAdo
                            : WizardMode::kReplaceBde;
  }

  // The replace modes, one per source family (source_families.h), in the
  // order of the library's replacers: "&Replace BDE components", then
  // "Replace &ADO components" and the other families.
  static std::vector<WizardModeChoice> ReplaceModes();

  static constexpr const char* kAdoCaption = "Replace &ADO components";
  static constexpr const char* kMailLinkCaption = "Migrate from another components";
  // The address the mail link opens.
  static std::string MailLink();
  // The address of the link, for a user without a mail program.
  static std::string MailAddress();
};

}  // namespace tolvern
