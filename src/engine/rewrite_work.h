// What rewriting one file on a worker thread did, held until its turn: the
// thread that runs the run takes these results in the order of the file list
// and so leaves the log, the report and the list exactly as one thread would.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/database_index.h"
#include "engine/run_report.h"
#include "platform/disk.h"

namespace tolvern {

class TFormParser;

struct RewriteWork {
  int ticket = -1;  // in the pool; -1: nothing to run
  std::string dest_dir;
  TFormParser* parser = nullptr;
  FileStamp read;
  size_t hash = 0;
  bool hashed = false;
  std::vector<std::string> log;
  FileReports reports;
  int changed = 0;
  std::vector<std::string> forms;  // named by the unit, in order
  bool form_unknown = false;
  bool open_failed = false;  // the file could not be read: skipped
  std::string open_error;
  std::exception_ptr error;        // anything else: the run stops there
  std::exception_ptr write_error;  // writing the rewritten file failed
  DatabasesOfForm databases;       // a form's scan
};

// The work of the file the calling thread is rewriting, if it is a worker;
// null on any other thread.
RewriteWork* CurrentRewriteWork();

// Makes a work the calling thread's for the life of this object.
class RewriteWorkScope {
 public:
  explicit RewriteWorkScope(RewriteWork* work);
  ~RewriteWorkScope();
  RewriteWorkScope(const RewriteWorkScope&) = delete;
  RewriteWorkScope& operator=(const RewriteWorkScope&) = delete;
};

}  // namespace tolvern
