// The report of a run as one self-contained HTML page that a person reads in
// a browser: the run's figures, a filterable table of its files, per changed
// file its diff (opened on demand) and what became of each rewritten object,
// the to-do list grouped by level and kind with the code around each place,
// and the BDE aliases. It is made from the RunReport the JSON report is made
// from, so the two never disagree; the diffs come from a ReportDiffs spool.
// No network: inline style, a little plain script. Every text from the run
// (paths, names, values, code) is escaped.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "engine/report_diffs.h"
#include "engine/run_report.h"

namespace tolvern {

// What the page says of the run beyond the RunReport.
struct HtmlReportFacts {
  std::string title;        // what was migrated: the project file or folder
  std::string base_folder;  // the folder relative paths of the report lie in
  double seconds = -1;      // the run's time; not shown when negative
  bool whole = true;        // whether every file the run meant to migrate was
  std::string outcome;      // the run's outcome line, as the console shows it
  // The code page of the sources' 8-bit (ANSI) text, which the page shows
  // decoded; 0: the system's.
  int code_page = 0;
};

// Text made safe inside HTML elements and quoted attribute values.
std::string HtmlEscape(std::string_view text);

// Writes the page to out. diffs may be null: then no diff is shown, and the
// code around to-do places is read from the files as they stand.
// The files are read through disk.
void WriteHtmlReport(Disk& disk, std::ostream& out, const RunReport& report,
                     const ReportDiffs* diffs, const HtmlReportFacts& facts);

// The diffs a page holds, inflated, one after the other in the page's
// order: for programs and tests that read a page. A diff that cannot be
// inflated is left out.
std::string HtmlReportDiffText(std::string_view page);

// Writes the page to the file at path; throws EFCreateError naming the file
// when it cannot be written.
void WriteHtmlReportFile(Disk& disk, const std::string& path, const RunReport& report,
                         const ReportDiffs* diffs, const HtmlReportFacts& facts);

}  // namespace tolvern
