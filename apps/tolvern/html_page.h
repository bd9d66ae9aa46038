// --html FILE: the report of a run as one HTML page (see engine/html_report.h).
#pragma once

#include <memory>
#include <string>

#include "engine/html_report.h"
#include "run_setup.h"

namespace tolvern::cli {

// Set up before the run: records each changed file's diff as the run makes
// it, in a spool file beside the page (removed again). Does nothing when
// path is empty.
class HtmlPage {
 public:
  HtmlPage(const std::string& path, const RunSetup& run);
  // Writes the page of the run's report; facts.title and base_folder are
  // filled in. Throws EFCreateError naming the file when it cannot be written.
  void Write(const RunSetup& run, const RunArgs& args, HtmlReportFacts facts) const;

 private:
  std::string path_;
  std::unique_ptr<ReportDiffs> diffs_;
};

}  // namespace tolvern::cli
