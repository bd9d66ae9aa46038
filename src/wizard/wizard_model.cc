#include "wizard/wizard_model.h"

#include <utility>

#include "base/string_list.h"
#include "base/system_texts.h"
#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"
#include "platform/disk.h"
#include "platform/settings_store.h"
#include "wizard/run_messages.h"

namespace tolvern {

namespace {

std::string HistoryText(const std::vector<std::string>& history) {
  std::string s;
  for (const std::string& h : history) s += h + "\r\n";
  return s;
}

std::vector<std::string> HistoryLines(const std::string& text) {
  StringList lines;
  lines.SetText(text);
  std::vector<std::string> out;
  for (int i = 0; i < lines.Count(); ++i) out.push_back(lines[i]);
  return out;
}

// A drive letter and colon, or a network share prefix (or, elsewhere, a path
// from the root).
bool HasDrivePart(const std::string& path) {
#ifdef _WIN32
  return (path.size() >= 2 && path[1] == ':') || path.rfind("\\\\", 0) == 0;
#else
  return !path.empty() && path[0] == '/';
#endif
}

}  // namespace

void WizardModel::SetWelcomeText(const std::string& source_name, const std::string& target_name) {
  WelcomeText = res::Format(res::kWelcomeText, {target_name, source_name, target_name});
}

void WizardModel::Show() {
  if (std::exchange(keep_on_show_, false)) return;
  ProjectFileName = TIDEUtils::GetProjectFileName();
  DestProjectEnabled = !ProjectFileName.empty();
  if (DestProjectEnabled) {
    DestProject = Options->Dest == RunSource::kProject;
    DestFolder = Options->Dest == RunSource::kFolder;
  } else {
    DestProject = false;
    DestFolder = true;
  }
  Directory = Options->Directory;
  SubDirs = Options->IncludeSubDirs;
  BackupDir.clear();
  // Backup off is remembered for the project (or folder) it was chosen
  // for only: any other starts with backup on.
  MakeBackup = Options->MakeBackup || !SameText(BackupOffFor, RunPlace());
  const auto profile = ProfileFor.find(RunPlace());
  ProfileFile = profile == ProfileFor.end() ? std::string() : profile->second;
  Aliases = AliasChoices();
  WriteLog = Options->WriteLog;
  ViewLog = Options->ViewLog;
  IncludeReadOnly = Options->IncludeReadOnly;
  FollowUses = Options->FollowUses;
  DropOldUnits = Options->DropOldUnits;
  page_ = WizardPage::kStep1;
}

bool WizardModel::CanNext() const {
  switch (page_) {
    case WizardPage::kStep2Restore:
      return !UndoFile.empty();
    case WizardPage::kStep3Dir:
      return !Directory.empty();
    default:
      return page_ != WizardPage::kFinal;
  }
}

bool WizardModel::CanFinish() const {
  if (page_ != WizardPage::kFinal) return false;
  return ModeRestore || !DestProject || CheckUnitSelection();
}

int WizardModel::GetStepNumber() const {
  switch (page_) {
    case WizardPage::kStep1:
      return 1;
    case WizardPage::kStep2Restore:
    case WizardPage::kStep2Replace:
      return 2;
    case WizardPage::kStep3Proj:
    case WizardPage::kStep3Dir:
      return 3;
    case WizardPage::kStep4:
      return 4;
    case WizardPage::kAliases:
      return 5;
    default:
      return GetStepCount();
  }
}

int WizardModel::GetStepCount() const { return ModeRestore ? 3 : Aliases.Empty() ? 5 : 6; }

std::string WizardModel::Caption() const {
  return res::Format(res::kWizardCaption, {ProductName, std::to_string(GetStepNumber()),
                                           std::to_string(GetStepCount())});
}

WizardMessage WizardModel::GoNext() {
  WizardMessage refused;
  switch (page_) {
    case WizardPage::kStep1:
      page_ = ModeRestore ? WizardPage::kStep2Restore : WizardPage::kStep2Replace;
      break;
    case WizardPage::kStep2Restore:
      if (!disk_.FileExists(UndoFile)) {
        refused = {WizardMessage::Kind::kMessageBox, res::Format(res::kUndoFileMissing, {UndoFile}),
                   "edUndoFile"};
        break;
      }
      BuildRestoreSummary();
      page_ = WizardPage::kFinal;
      break;
    case WizardPage::kStep2Replace:
      if (DestProject) {
        FillUnitList();
        page_ = WizardPage::kStep3Proj;
      } else {
        page_ = WizardPage::kStep3Dir;
      }
      break;
    case WizardPage::kStep3Proj:
      // The page left decides where the run looks: the units shown.
      DestProject = true, DestFolder = false;
      if (!CheckUnitSelection()) {
        refused = {WizardMessage::Kind::kInformationDialog, res::kNoUnitSelected, "lbModules"};
        break;
      }
      SuggestBackupDir();
      page_ = WizardPage::kStep4;
      break;
    case WizardPage::kStep3Dir:
      // The page left decides where the run looks: the folder shown.
      DestProject = false, DestFolder = true;
      if (!disk_.DirExists(Directory)) {
        refused = {WizardMessage::Kind::kMessageBox,
                   res::Format(res::kTargetDirMissing, {Directory}), "cbDirectory"};
        break;
      }
      SuggestBackupDir();
      page_ = WizardPage::kStep4;
      break;
    case WizardPage::kStep4:
      if (DestProject && !CheckUnitSelection()) {
        refused = RefuseNoUnit();
        break;
      }
      // A backup folder that cannot be made would stop the run after Finish,
      // with the wizard gone; here the user can still choose another.
      if (MakeBackup) {
        const std::string problem = FolderCreationProblem(disk_, GetBackupDir());
        if (!problem.empty()) {
          refused = {WizardMessage::Kind::kMessageBox,
                     res::Format(res::kBackupDirCannotBeCreated, {GetBackupDir()}) + "\n" + problem,
                     "cbBackupDir"};
          break;
        }
      }
      if (const std::vector<std::string> problems = ProfileProblems(); !problems.empty()) {
        std::string text = res::Format(res::kProfileRefused, {ProfileFile});
        for (const std::string& p : problems) text += "\n" + p;
        refused = {WizardMessage::Kind::kMessageBox, text, "edProfile"};
        break;
      }
      Aliases.Take(ScanAliases ? ScanAliases(*this) : std::vector<AliasReport>{});
      if (!Aliases.Empty()) {
        page_ = WizardPage::kAliases;
        break;
      }
      BuildReplaceSummary();
      page_ = WizardPage::kFinal;
      break;
    case WizardPage::kAliases:
      if (const std::string problem = Aliases.Problem(); !problem.empty()) {
        refused = {WizardMessage::Kind::kMessageBox, problem, "lvAliases"};
        break;
      }
      BuildReplaceSummary();
      page_ = WizardPage::kFinal;
      break;
    case WizardPage::kFinal:
      break;
  }
  return refused;
}

void WizardModel::GoBack() {
  switch (page_) {
    case WizardPage::kStep2Restore:
    case WizardPage::kStep2Replace:
      page_ = WizardPage::kStep1;
      break;
    case WizardPage::kStep3Proj:
    case WizardPage::kStep3Dir:
      page_ = WizardPage::kStep2Replace;
      break;
    case WizardPage::kStep4:
      page_ = DestProject ? WizardPage::kStep3Proj : WizardPage::kStep3Dir;
      break;
    case WizardPage::kAliases:
      page_ = WizardPage::kStep4;
      break;
    case WizardPage::kFinal:
      page_ = ModeRestore       ? WizardPage::kStep2Restore
              : Aliases.Empty() ? WizardPage::kStep4
                                : WizardPage::kAliases;
      break;
    case WizardPage::kStep1:
      break;
  }
}

WizardMessage WizardModel::RefuseNoUnit() {
  FillUnitList();
  page_ = WizardPage::kStep3Proj;
  return {WizardMessage::Kind::kInformationDialog, res::kNoUnitSelected, "lbModules"};
}

void WizardModel::FillUnitList() {
  if (!Modules.empty()) return;
  int count = TIDEUtils::GetProjectModuleCount();
  for (int i = 0; i < count; ++i) {
    std::string file;
    TIDEUtils::GetProjectModuleFileName(i, file);
    if (file.empty()) continue;
    if (file.size() >= 4 && UpperCase(file.substr(file.size() - 4)) == ".PAS")
      Modules.push_back({ExtractFileName(file), true});
  }
}

bool WizardModel::CheckUnitSelection() const {
  for (const UnitLine& u : Modules)
    if (u.checked) return true;
  return false;
}

void WizardModel::SelectAll(bool checked) {
  for (UnitLine& u : Modules) u.checked = checked;
}

std::string WizardModel::BaseFolder() const {
  return DestProject ? ExtractFilePath(ProjectFileName) : Directory;
}

void WizardModel::SuggestBackupDir() {
  if (!BackupDirEdited) BackupDir = PathJoin(BaseFolder(), res::kBackupFolderName);
}

void WizardModel::EditBackupDir(const std::string& text) {
  BackupDir = text;
  BackupDirEdited = true;
}

std::string WizardModel::GetBackupDir() const {
  if (!BackupDir.empty() && HasDrivePart(BackupDir)) return BackupDir;
  return PathJoin(BaseFolder(), BackupDir);
}

WizardMessage WizardModel::Finish() {
  if (!ModeRestore && DestProject && !CheckUnitSelection()) return RefuseNoUnit();
  ApplyTo(*Options);
  AddToHistory(Directory, DirHistory);
  AddToHistory(BackupDir, BackDirHistory);
  return {};
}

void WizardModel::ApplyTo(TReplaceOptions& options) const {
  if (DestProject) {
    options.Dest = RunSource::kProject;
    // The list stays whole, check marks and all, for a return to the
    // summary; the run takes the checked units.
    std::string units;
    for (const UnitLine& u : Modules)
      if (u.checked) units += u.name + "\r\n";
    options.Units = units;
  } else {
    options.Dest = RunSource::kFolder;
  }
  options.Directory = Directory;
  options.IncludeSubDirs = SubDirs;
  options.MakeBackup = MakeBackup;
  options.BackupDir = GetBackupDir();
  options.WriteLog = WriteLog;
  options.ViewLog = ViewLog;
  options.IncludeReadOnly = IncludeReadOnly;
  options.FollowUses = FollowUses;
  options.DropOldUnits = DropOldUnits;
  options.MoveData = Aliases.move_data && !Aliases.Empty();
}

std::vector<std::string> WizardModel::ProfileProblems() const {
  std::vector<std::string> problems;
  if (ProfileFile.empty()) return problems;
  std::string text, why;
  if (disk_.ReadFile(ProfileFile, &text, &why))
    ParseProfile(text, &problems);
  else
    problems.push_back("cannot be read: " + (why.empty() ? std::string("it does not exist") : why));
  return problems;
}

void WizardModel::ReplaceRunEnded(const std::string& undo_file_written) {
  // A run without backups leaves nothing to undo by; a run that backed up
  // nothing leaves the earlier run's undo file the one to offer.
  if (!MakeBackup)
    LastUndo.clear();
  else if (!undo_file_written.empty())
    LastUndo = undo_file_written;
}

void WizardModel::RestoreRunEnded(const std::string& undo_file_restored) {
  // Put back once, it is not offered again: a second restore of it would
  // find nothing of the run left.
  if (SameText(undo_file_restored, LastUndo)) LastUndo.clear();
}

void WizardModel::AddToHistory(const std::string& text, std::vector<std::string>& history) {
  if (text.empty()) return;
  for (const std::string& h : history)
    if (SameText(h, text)) return;
  history.insert(history.begin(), text);
  if (history.size() > static_cast<size_t>(kHistoryLimit)) history.pop_back();
}

std::string WizardModel::RunPlace() const { return DestProject ? ProjectFileName : Directory; }

std::string WizardModel::ModeName() const { return Options->Name; }

std::string NXWizardModel::ModeName() const {
  const std::vector<WizardModeChoice> modes = ReplaceModes();
  const size_t at = static_cast<size_t>(GetMode());
  if (at >= modes.size()) return Options->Name;
  // "&Replace BDE components" gives "BDE".
  std::string caption = modes[at].caption;
  std::erase(caption, '&');
  const size_t from = caption.find(' ') + 1;
  return caption.substr(from, caption.rfind(" components") - from);
}

void WizardModel::BuildRestoreSummary() {
  Summary = std::string(res::kSummaryMode) + res::kSummaryRestore +
            res::Format(res::kSummaryUndoFile, {UndoFile});
}

void WizardModel::BuildReplaceSummary() {
  Summary = std::string(res::kSummaryMode) + res::Format(res::kSummaryReplace, {ModeName()}) +
            res::kSummaryScan;
  Summary += DestProject ? std::string(res::kSummaryProject)
                         : res::Format(res::kSummaryFolder, {Directory});
  if (!DestProject && SubDirs) Summary += res::kSummarySubDirs;
  if (DestProject && FollowUses) Summary += res::kSummaryFollowUses;
  if (IncludeReadOnly) Summary += res::kSummaryReadOnly;
  if (DropOldUnits) Summary += res::kSummaryDropOldUnits;
  if (!ProfileFile.empty()) Summary += res::Format(res::kSummaryProfile, {ProfileFile});
  Summary += Aliases.SummaryLines();
  if (MakeBackup)
    Summary += res::Format(res::kSummaryBackupDir, {GetBackupDir()});
  else
    Summary += res::kSummaryNoBackup;
  if (WriteLog) {
    Summary += res::kSummaryWriteLog;
    if (ViewLog) Summary += res::kSummaryViewLog;
  }
  if (DestProject) {
    Summary += res::kSummaryUnits;
    for (const UnitLine& u : Modules)
      if (u.checked) Summary += u.name + "\n";
  }
}

void WizardModel::LoadSettings(TRegIniFile& reg, const std::string& section) {
  Left = reg.ReadInteger(section, "Left", Left);
  Top = reg.ReadInteger(section, "Top", Top);
  DirHistory = HistoryLines(reg.ReadString(section, "DirHistory", ""));
  BackDirHistory = HistoryLines(reg.ReadString(section, "BackDirHistory", ""));
  ModeReplace = reg.ReadBool(section, "ReplaceMode", ModeReplace);
  ModeRestore = !ModeReplace;
  ModeReplaceAdo = false;
  LastUndo = reg.ReadString(section, "LastUndo", "");
  BackupOffFor = reg.ReadString(section, "BackupOffFor", "");
  ProfileFor.clear();
  for (const std::string& line : HistoryLines(reg.ReadString(section, "ProfileFor", ""))) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) ProfileFor[line.substr(0, tab)] = line.substr(tab + 1);
  }
  UndoFile = LastUndo;
}

void WizardModel::SaveSettings(TRegIniFile& reg, const std::string& section) const {
  reg.WriteInteger(section, "Left", Left);
  reg.WriteInteger(section, "Top", Top);
  reg.WriteString(section, "DirHistory", HistoryText(DirHistory));
  reg.WriteString(section, "BackDirHistory", HistoryText(BackDirHistory));
  reg.WriteBool(section, "ReplaceMode", ModeReplace);
  reg.WriteString(section, "LastUndo", LastUndo);
  reg.WriteString(section, "BackupOffFor", MakeBackup ? std::string() : RunPlace());
  std::map<std::string, std::string> profiles = ProfileFor;
  if (ProfileFile.empty())
    profiles.erase(RunPlace());
  else
    profiles[RunPlace()] = ProfileFile;
  std::vector<std::string> lines;
  for (const auto& [place, file] : profiles) lines.push_back(place + "\t" + file);
  reg.WriteString(section, "ProfileFor", HistoryText(lines));
}

std::vector<WizardModeChoice> NXWizardModel::ReplaceModes() {
  std::vector<WizardModeChoice> modes;
  for (const MappingProfile& p : BuiltinProfiles()) {
    const SourceFamily& f = *p.family;
    modes.push_back({static_cast<WizardMode>(f.index),
                     (f.index == 0 ? "&Replace " : "Replace &") + f.display_name + " components"});
  }
  return modes;
}

void NXWizardModel::Show() {
  WizardModel::Show();
  ReplaceCaption = "&Replace BDE components";
}

std::string NXWizardModel::MailAddress() {
  const std::string link = MailLink();
  const size_t from = link.find(':') + 1;
  return link.substr(from, link.find('?') - from);
}

std::string NXWizardModel::MailLink() {
  return "mailto:support@example.com?CC=&subject=Migrate from%20another%20components";
}

}  // namespace tolvern
