// What a run tells on the thread that runs it: the files it leaves as they
// are (a log line each, and "skipped" with the reason in the report) and the
// closing lines of its log. The rewriting's own lines and report entries are
// gathered per file and taken in list order; they come here already made.
#pragma once

#include <string>

#include "engine/run_report.h"
#include "files/log_writer.h"

namespace tolvern {

class RunReporter {
 public:
  RunReporter(TLogWriter& log, RunReport& report) : log_(log), report_(report) {}

  // Logs a file the run meant to migrate and leaves as it is, and marks it
  // "skipped" with the reason in the report; a file the report does not
  // hold yet is added, of the kind its extension says.
  void NotMigrated(const std::string& path, const std::string& reason);
  // The report entry of path, or null.
  FileReport* Find(const std::string& path);
  // The undo file of the run, and the earlier one to restore after it.
  void LogUndoFiles(const std::string& undo_file, const std::string& earlier_undo_file);
  // The log's last line: replaced, replaced but for some files, or failed.
  void LogOutcome(bool copied);

 private:
  TLogWriter& log_;
  RunReport& report_;
};

}  // namespace tolvern
