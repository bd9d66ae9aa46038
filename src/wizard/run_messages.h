// What the wizard tells the user around a run, apart from any widget: why a
// folder cannot be made, what a finished run did, and the path and the
// system's reason behind a failed run or restore.
#pragma once

#include <exception>
#include <string>

namespace tolvern {

class Disk;

class TComponentReplacer;
class TReplaceOptions;

// "" when the folder exists and takes new files, or can be created and
// take them; else "«path»: «the system's reason»", as making it would fail
// (a file in the way: "Not a directory"; a read-only parent: "Permission
// denied"; a system folder such as /proc: "No such file or directory"). It
// makes the test the run makes, creating the missing folders and a file in
// the folder; whatever it made is removed again.
std::string FolderCreationProblem(Disk& disk, const std::string& folder);

// The log file a run of these options writes, or "" when it writes none.
std::string RunLogPath(const TReplaceOptions& options);

// The message after a run that ended: the system's line (or that there was
// nothing to do), the counts of the run, the form objects it could not
// convert by name, and where the log, this run's to-do list, the backups and
// this run's undo file are.
std::string ReplaceOutcomeText(const TComponentReplacer& replacer);
// Whether that message tells of files or objects left for a person.
bool OutcomeIsFailure(const TComponentReplacer& replacer);
// The message after a restore that succeeded, with the count of files put
// back and what else the restore did.
std::string RestoreOutcomeText(const TComponentReplacer& replacer);

// The message after a run that stopped with an error: the error's own text,
// then the path it is about and the system's reason, when they can be told.
std::string RunFailureText(Disk& disk, const std::exception& error, const TReplaceOptions& options);

// The path and reason behind a restore that failed: the first backup the
// undo file lists that is missing, or the undo file itself; "" when none.
std::string RestoreFailureDetail(Disk& disk, const std::string& undo_file_name);

}  // namespace tolvern
