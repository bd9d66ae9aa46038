// What the wizard tells the user around a run, apart from any widget: why a
// folder cannot be made, what a finished run did, and the path and the
// system's reason behind a failed run or restore.
#pragma once

#include <exception>
#include <string>

namespace tolvern {

class TComponentReplacer;
class TReplaceOptions;

// "" when the folder exists and takes new files, or can be created; else
// "«path»: «the system's reason»", as making it would fail (a file in the
// way: "Not a directory"; a read-only parent: "Permission denied").
// Nothing is created.
std::string FolderCreationProblem(const std::string& folder);

// The log file a run of these options writes, or "" when it writes none.
std::string RunLogPath(const TReplaceOptions& options);

// The message after a run that succeeded: the system's line, then the counts
// of the run, then where the log and the backups are.
std::string ReplaceOutcomeText(const TComponentReplacer& replacer);

// The message after a run that stopped with an error: the error's own text,
// then the path it is about and the system's reason, when they can be told.
std::string RunFailureText(const std::exception& error, const TReplaceOptions& options);

// The path and reason behind a restore that failed: the first backup the
// undo file lists that is missing, or the undo file itself; "" when none.
std::string RestoreFailureDetail(const std::string& undo_file_name);

}  // namespace tolvern
