// The wizard's report page: a run that writes a log also writes its report
// as one HTML page beside it ("Wiz_Report.html"), which the outcome offers
// to open in the desktop's browser. Start follows the run's changed files
// for their diffs; Finish writes the page. A page that cannot be made never
// stops the run: the outcome says why instead.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/report_diffs.h"

namespace tolvern {

class TComponentReplacer;

class RunReportPage {
 public:
  RunReportPage() = default;
  // Gives the replacer back as Start found it, whether or not Finish ran.
  ~RunReportPage();
  RunReportPage(const RunReportPage&) = delete;
  RunReportPage& operator=(const RunReportPage&) = delete;

  // The page goes beside the log the replacer's options ask for; none when
  // they ask for no log. The replacer, which outlives the page, is followed
  // until Finish. Throws EFCreateError, following nothing, when a named pipe
  // (or a socket or a block device) stands under the page's name.
  void Start(TComponentReplacer& replacer);
  // Writes the page of the run that ended; false, with the reason in
  // OutcomeLine(), when it could not be written.
  bool Finish(const TComponentReplacer& replacer, const std::string& title);

  // The page written, or "".
  const std::string& Path() const { return path_; }
  // The outcome's line about the page: where it is, or why it could not be
  // written; "" when the run asked for none.
  std::string OutcomeLine() const;

 private:
  // Puts back the replacer's own file callback and detail setting.
  void Release();

  std::string planned_, path_, problem_;
  std::unique_ptr<ReportDiffs> diffs_;
  TComponentReplacer* followed_ = nullptr;
  std::function<void(const std::string&, const std::string&)> own_callback_;
  bool own_details_ = false;
};

}  // namespace tolvern
