// The system's own texts: messages, log lines and file names. They are kept
// exactly as users and stored logs know them, spelling included.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <type_traits>

namespace tolvern::res {

inline constexpr const char* kRegistryKey = "Software\\Veltrane";
inline constexpr const char* kTitleSuffix = " Migration Wizard";
inline constexpr const char* kLogTitleSuffix = " log";
inline constexpr const char* kLogTimestampCaption = "Created at:";
inline constexpr const char* kLogFileName = "Wiz_Log.txt";
// The places a run left for a person, beside the log.
inline constexpr const char* kTodoFileName = "Wiz_Todo.txt";
inline constexpr const char* kUndoFileName = "ZUvezod.reu";
inline constexpr const char* kTempPrefix = "$DS";

inline constexpr const char* kInitUnitList = "Initializing unit list";
inline constexpr const char* kCreatingBackupFolder = "Creating backup folder";
inline constexpr const char* kAllocatingTempFolder = "Allocating temporary folder";
inline constexpr const char* kProcessingFile = "Processing file: %s";
inline constexpr const char* kChanges = " change(s)";
inline constexpr const char* kNoChanges = "No changes";
inline constexpr const char* kReplacingOriginals = "Replacing original files with changed versions";
inline constexpr const char* kBackupFile = "Backup file: %s";
inline constexpr const char* kRemovingTempFolder = "Removing temporary folder";
inline constexpr const char* kReplaceSucceeded = "Replace procedure was performed sucessfully.";
inline constexpr const char* kReplaceFailed = "Replace failed.";
inline constexpr const char* kRestoreSucceeded = "Files were succefully restored.";
inline constexpr const char* kRestoreFailed = "Failed to restore files.";
inline constexpr const char* kFailedToCreateDirectory = "Failed to create directory.";

// The wizard.
inline constexpr const char* kWelcomeText =
    "Wizard facilitates converting your application to %s. It replaces all standard %s components "
    "to corresponding %s components. You may need to make some changes manually to compile your "
    "application successfully.";
inline constexpr const char* kReplaceModeCaption = "&Replace %s components";
inline constexpr const char* kWizardCaption = "%s Migration Wizard - Step %d of %d";
inline constexpr const char* kUndoFileMissing = "Undo file \"%s\" does not exist.";
inline constexpr const char* kTargetDirMissing = "Target directory \"%s\" does not exist.";
inline constexpr const char* kNoUnitSelected = "At least one unit should be selected.";
inline constexpr const char* kSelectDirectory = "Select directory";
inline constexpr const char* kBackupFolderName = "RBackup";
inline constexpr const char* kSummaryMode = "Mode: ";
inline constexpr const char* kSummaryRestore = "Restore original files from backup\n\n";
inline constexpr const char* kSummaryUndoFile = "Undo file: \"%s\"\n\n";
inline constexpr const char* kSummaryReplace = "Replace %s components\n\n";
inline constexpr const char* kSummaryScan = "Scan destination: ";
inline constexpr const char* kSummaryProject = "Current open project\n\n";
inline constexpr const char* kSummaryFolder = "Folder \"%s\"\n\n";
inline constexpr const char* kSummaryBackupDir = "Backup dir: \"%s\"\n\n";
inline constexpr const char* kSummaryWriteLog = "Write log file\n\n";
inline constexpr const char* kSummaryViewLog = "View log afer replace\n\n";
inline constexpr const char* kSummaryUnits = "Units list:\n";
inline constexpr const char* kSummarySubDirs = "Include subfolders\n\n";
inline constexpr const char* kSummaryFollowUses = "Migrate used units outside the project\n\n";
inline constexpr const char* kSummaryReadOnly = "Migrate read-only files too\n\n";
inline constexpr const char* kSummaryDropOldUnits =
    "Remove the old units from uses clauses where nothing needs them\n\n";
inline constexpr const char* kSummaryProfile = "Profile: \"%s\"\n\n";
inline constexpr const char* kProfileRefused = "The profile \"%s\" cannot be used:";
inline constexpr const char* kSummaryNoBackup = "No backup: this run cannot be undone\n\n";

// The expert and the save warning.
inline constexpr const char* kMenuItemCaption = "&Migration Wizard";
inline constexpr const char* kProductCaption = "&Nexa";
inline constexpr const char* kIdStringFormat = "Veltrane.%sMigrationWizard";
inline constexpr const char* kCannotStartReplace =
    "Cannot start replace process.\nProject was not saved.";
inline constexpr const char* kSaveWarnQuestionSave = "Current project will be saved. Continue?";
inline constexpr const char* kSaveWarnQuestionRestore =
    "Old files will be restored from backup. Continue?";
inline constexpr const char* kSaveWarnNoteHide = "Project forms will be hidden.";
inline constexpr const char* kSaveWarnNoteClose = "Current project will be closed.";
inline constexpr const char* kDontAskAgain = "&Don't ask me this again";

// Texts of our own for failures the run reports instead of passing over.
inline constexpr const char* kFailedToCopyBack = "Failed to replace original file: %s";
inline constexpr const char* kFailedToBackUp = "Failed to back up file %s to %s.";
inline constexpr const char* kFailedToCreateTemp = "Failed to create temporary folder.";
inline constexpr const char* kLockFileName = "tolvern.lock";
inline constexpr const char* kTreeLocked =
    "Another migration is running on this folder (it holds the lock %s); try again when it has "
    "finished.";
inline constexpr const char* kCannotLockTree = "Cannot take the lock %s: %s";
inline constexpr const char* kNotMigrated = "Not migrated: %s (%s)";
inline constexpr const char* kProfileUsed = "Mapping profile: %s";
inline constexpr const char* kReplaceIncomplete = "Replace completed, %s file(s) not migrated.";
inline constexpr const char* kNameNotRecordable =
    "its name holds \"=\" or a line break, which the undo file cannot record";
inline constexpr const char* kBackupDirNotRecordable =
    "The backup folder \"%s\" holds a line break, which the undo file cannot record.";
inline constexpr const char* kNotInProject = "no unit of this name in the project";
inline constexpr const char* kOutsideProject = "Not part of the project: %s (used by %s)";
inline constexpr const char* kOutsideProjectFollowed =
    "Not part of the project, migrated as its users are: %s (used by %s)";
inline constexpr const char* kOutsideNotReadable =
    "it could not be read to look for units outside the project file: %s";
inline constexpr const char* kOutsideNotListable =
    "the folder could not be listed to look for units outside the project file: %s";
inline constexpr const char* kOutsideProjectNote =
    "not part of the project file (used by %s): it names the source classes";
inline constexpr const char* kOutsideProjectAdvice =
    "the unit uses the old components but is not in the project file (%s uses it): migrate it "
    "with --follow-uses (in the wizard: \"Migrate used units outside the project\"), or add it "
    "to the project";
inline constexpr const char* kCannotListFolder = "the folder cannot be listed: %s";
inline constexpr const char* kFormNotLookedFor =
    "its form could not be looked for: the folder %s cannot be listed";
inline constexpr const char* kChangedDuringRun = "changed by another program during the run";
inline constexpr const char* kPartnerNotMigrated = "not replaced, since %s was not migrated";
inline constexpr const char* kEarlierUndoFile =
    "An earlier run's undo file stays at %s: restore %s first, then that one.";
inline constexpr const char* kRunCancelled = "Cancelled: no original file was replaced.";
inline constexpr const char* kInvalidEncoding = "Left unchanged: %s (%s)";
inline constexpr const char* kObjectNotParsed =
    "%s: object %s of class %s could not be parsed (%s); only its class name was replaced";
inline constexpr const char* kDescendantNotParsed =
    "%s: object %s of class %s (descending from %s) could not be parsed (%s); it was left as it "
    "was";
inline constexpr const char* kOutsideFormGrammar =
    "the form text at line %s is outside the form grammar";
inline constexpr const char* kFormNotValid =
    "%s: the rewritten form is not valid form text, the original is kept: %s";

// The number of placeholders ("%s" or "%d") of a text, read as Format reads
// it: a "%" followed by any other character is plain text.
constexpr std::size_t PlaceholderCount(const char* text) {
  std::size_t n = 0;
  for (const char* p = text; *p; ++p)
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
      ++n;
      ++p;
    }
  return n;
}

// Replaces each "%s" (and "%d") of text, in order, by the next of count
// arguments; a placeholder left without one stays as it is, an argument
// left without a placeholder is not used.
inline std::string FormatArgs(const char* text, const std::string* args, std::size_t count) {
  std::string out;
  std::size_t arg = 0;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'd') && arg < count) {
      out += args[arg++];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

// Not constexpr on purpose: FormatText's constructor calls it only when the
// counts differ, which makes the constant evaluation, and so the compile,
// fail with this name in the message.
inline void PlaceholderCountDiffersFromArguments() {}

// A text known at compile time with exactly n placeholders. Its constructor
// is consteval: a call res::Format(res::kBackupFile, {a, b}) with one "%s"
// and two arguments does not compile ("call to non-'constexpr' function
// PlaceholderCountDiffersFromArguments", in the expansion of
// FormatText<2>(res::kBackupFile)); so does a text that is not a constant.
template <std::size_t n>
class FormatText {
 public:
  // Implicit, so that a call site passes the text as it is.
  consteval FormatText(const char* text) : text_(text) {
    if (PlaceholderCount(text) != n) PlaceholderCountDiffersFromArguments();
  }
  constexpr const char* Text() const { return text_; }

 private:
  const char* text_;
};

// The text with its placeholders replaced by args, in order, checked at
// compile time: the number of args (deduced from the braced list) must be
// the number of placeholders of the text.
template <std::size_t n>
std::string Format(std::type_identity_t<FormatText<n>> text, const std::string (&args)[n]) {
  return FormatArgs(text.Text(), args, n);
}

// The same for a text chosen at run time, which no compiler can check: kept
// for the rare caller that needs it, under a name that says so.
inline std::string FormatRuntime(const char* text, std::initializer_list<std::string> args) {
  return FormatArgs(text, args.begin(), args.size());
}

}  // namespace tolvern::res

// Texts of the wizard's own around a run: what it refuses on a page, what a
// run did, and why a run or a restore failed. They are added to the texts
// above, never in their place.
namespace tolvern::res {

inline constexpr const char* kBackupDirCannotBeCreated = "Backup folder \"%s\" cannot be created.";
// The second line of a failure: the path and the system's reason.
inline constexpr const char* kPathReason = "%s: %s";
inline constexpr const char* kOutcomeCounts =
    "Files scanned: %d; units changed: %d; forms changed: %d; objects rewritten: %d; "
    "files not migrated: %d.";
inline constexpr const char* kOutcomeLog = "Log: %s";
inline constexpr const char* kOutcomeTodo =
    "Left to do by hand: %d error(s), %d warning(s) and %d note(s), listed in %s";
inline constexpr const char* kOutcomeTodoCount =
    "Left to do by hand: %d error(s), %d warning(s) and %d note(s)";
inline constexpr const char* kOutcomeBackups = "Backups and undo file: %s";
inline constexpr const char* kNoLogViewer = "No program was found to show the log \"%s\".";
inline constexpr const char* kProgressTitle = "Replacing components";
inline constexpr const char* kProgressCount = "File %d of %d";
inline constexpr const char* kCancelling = "Cancelling...";
inline constexpr const char* kRestoring = "Restoring original files";
inline constexpr const char* kProgressCountOpen =
    "File %d (the total is known once every unit has named its forms)";
// The phases of a run after its last file, as the progress names them.
inline constexpr const char* kPhaseMovingData = "Moving the aliases' tables";
inline constexpr const char* kPhaseWritingLists = "Writing the to-do list and the report";
inline constexpr const char* kPhaseCheckingOriginals = "Checking the originals";
inline constexpr const char* kPhaseBackingUp = "Making the backups and the undo file";
inline constexpr const char* kPhaseReplacingOriginals = "Replacing originals";
inline constexpr const char* kCancelTooLate =
    "Too late: originals are being replaced; restore undoes the run.";
inline constexpr const char* kCancelTooLateLog =
    "Cancel was asked once originals were being replaced: the run went to its end; restore "
    "undoes it.";
inline constexpr const char* kCancelQuestion =
    "Stop the run? What was rewritten so far is thrown away; no original file has been "
    "replaced yet.";
inline constexpr const char* kNothingToDo =
    "Nothing to migrate: the run found no unit to work on in %s. No file was changed, and the "
    "log, to-do list and undo file of an earlier run stay as they were.";
inline constexpr const char* kReplaceObjectsLeft =
    "Replace completed, %d form object(s) not converted.";
inline constexpr const char* kOutcomeObjectsNotConverted =
    "Form objects not converted (errors: the form will not load until each is converted by "
    "hand): %d";
inline constexpr const char* kOutcomeObjectNotConverted =
    "%s:%d: error: object %s of class %s (%s)";
inline constexpr const char* kOutcomeMoreObjects = "... and %d more, listed in the to-do list";
inline constexpr const char* kOutcomeLatestTodo = "The latest run's list is always in %s.";
inline constexpr const char* kOutcomeUndoFile = "Undo file of this run: %s";
inline constexpr const char* kOutcomeNoUndoFile =
    "No original was replaced, so no undo file was written.";
inline constexpr const char* kOutcomeRestored = "Files restored: %d";
inline constexpr const char* kNoMailProgram =
    "No mail program was found to open the link. Please write to %s.";

}  // namespace tolvern::res
