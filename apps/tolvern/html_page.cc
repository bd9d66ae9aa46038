#include "html_page.h"

#include "cli_common.h"

namespace tolvern::cli {

HtmlPage::HtmlPage(const std::string& path, const RunSetup& run)
    : path_(path.empty() ? std::string() : Absolute(path)) {
  if (path_.empty()) return;
  diffs_ = std::make_unique<ReportDiffs>(run.replacer().RunDisk(), path_ + ".diffs.tmp");
  diffs_->Follow(run.replacer(), [base = run.base_folder()](const std::string& original) {
    return Shown(original, base);
  });
  run.replacer().Report.details = true;
}

void HtmlPage::Write(const RunSetup& run, const RunArgs& args, HtmlReportFacts facts) const {
  if (path_.empty()) return;
  facts.title = Absolute(args.project.empty() ? args.folder : args.project);
  facts.base_folder = run.base_folder();
  facts.code_page = args.code_page;
  WriteHtmlReportFile(run.replacer().RunDisk(), path_, run.replacer().Report, diffs_.get(), facts);
}

}  // namespace tolvern::cli
