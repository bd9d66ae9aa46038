// What rewriting one file of a run gave, as plain data: the rewriting is a
// function from a file and the run's tables to this, whichever thread runs
// it, and the run takes these results in the order of its file list, so the
// log, the report and the list come out the same with any number of threads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/run_report.h"
#include "platform/disk.h"

namespace tolvern {

class TFormParser;

struct FileRewrite {
  FileStamp read;  // the original's stamp as it was read
  size_t hash = 0;
  bool hashed = false;
  std::vector<std::string> log;
  FileReports reports;
  int changed = 0;                 // files changed: 0 or 1
  std::vector<std::string> forms;  // named by the unit, in order
  bool form_unknown = false;       // a form it names could not be looked for
  // The file was read but passed over (its text is not valid in its
  // encoding): the run meant to migrate it and did not.
  bool passed_over = false;
  bool open_failed = false;  // the file could not be read: skipped
  std::string open_error;
  // The rewritten file, for the work folder ("" path: nothing to write).
  std::string output_path;
  std::string output;
};

// What the rewriting of one file works with: the disk it reads from, a form
// parser of its own, and where its results go.
struct FileRewriting {
  Disk& disk;
  TFormParser& parser;
  FileRewrite& out;
};

// The log line of a file's change count.
std::string ChangesLine(int changes);

}  // namespace tolvern
