#include "wizard/run_report_page.h"

#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "engine/component_replacer.h"
#include "engine/html_report.h"
#include "wizard/run_messages.h"

namespace tolvern {

namespace {
constexpr const char* kReportName = "Wiz_Report.html";
}

RunReportPage::~RunReportPage() { Release(); }

void RunReportPage::Release() {
  if (followed_) {
    followed_->OnFileChanged = std::move(own_callback_);
    followed_->Report.details = own_details_;
    followed_ = nullptr;
  }
  own_callback_ = nullptr;
  diffs_.reset();
}

void RunReportPage::Start(TComponentReplacer& replacer) {
  Release();
  planned_.clear();
  path_.clear();
  problem_.clear();
  const std::string log = RunLogPath(*replacer.Options);
  if (log.empty()) return;
  planned_ = PathJoin(ExtractFileDir(log), kReportName);
  // A pipe under the page's name would hold the page's writing at the end,
  // after the originals are replaced: the run does not start.
  std::string what;
  if (replacer.RunDisk().IsPipeOrDevice(planned_, &what))
    throw EFCreateError("Cannot create file \"" + std::exchange(planned_, "") + "\".", what);
  followed_ = &replacer;
  own_callback_ = replacer.OnFileChanged;
  own_details_ = replacer.Report.details;
  try {
    diffs_ = std::make_unique<ReportDiffs>(replacer.RunDisk(), planned_ + ".diffs.tmp");
    diffs_->Follow(replacer);
  } catch (const std::exception&) {
    // The page is then written without diffs.
    diffs_.reset();
  }
  replacer.Report.details = true;
}

bool RunReportPage::Finish(const TComponentReplacer& replacer, const std::string& title) {
  if (planned_.empty()) return true;
  HtmlReportFacts facts;
  facts.title = title;
  facts.base_folder = ExtractFileDir(planned_);
  facts.whole = replacer.Report.FilesNotMigrated() == 0;
  try {
    WriteHtmlReportFile(replacer.RunDisk(), planned_, replacer.Report, diffs_.get(), facts);
  } catch (const std::exception& e) {
    problem_ = e.what();
    Release();
    return false;
  }
  Release();
  path_ = planned_;
  return true;
}

std::string RunReportPage::OutcomeLine() const {
  if (!path_.empty()) return "Report: " + path_;
  if (!problem_.empty()) return "The report could not be written: " + problem_;
  return "";
}

}  // namespace tolvern
