// The system's own texts: messages, log lines and file names. They are kept
// exactly as users and stored logs know them, spelling included.
#pragma once

#include <string>
#include <initializer_list>

namespace tolvern::res {

inline constexpr const char* kRegistryKey = "Software\\Veltrane";
inline constexpr const char* kTitleSuffix = " Migration Wizard";
inline constexpr const char* kLogTitleSuffix = " log";
inline constexpr const char* kLogTimestampCaption = "Created at:";
inline constexpr const char* kLogFileName = "Wiz_Log.txt";
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

// Texts of our own for failures the run reports instead of passing over.
inline constexpr const char* kFailedToCopyBack = "Failed to replace original file: %s";
inline constexpr const char* kFailedToBackUp = "Failed to back up file %s to %s.";
inline constexpr const char* kFailedToCreateTemp = "Failed to create temporary folder.";
inline constexpr const char* kInvalidEncoding = "Left unchanged: %s (%s)";
inline constexpr const char* kObjectNotParsed =
    "%s(%s): object %s of class %s could not be parsed; only its class name was replaced";
inline constexpr const char* kFormNotValid =
    "%s: the rewritten form is not valid form text, the original is kept: %s";

// Replaces each "%s" (and "%d") of a message, in order, by the next argument.
inline std::string Format(const char* text, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (const char* p = text; *p; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'd') && arg != args.end()) {
      out += *arg++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace tolvern::res
