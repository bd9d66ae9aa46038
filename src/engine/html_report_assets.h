// The HTML report's style sheet and script, inline in every page: the page
// makes no request of its own.
#pragma once

namespace tolvern {

extern const char* const kHtmlReportStyle;
extern const char* const kHtmlReportScript;

}  // namespace tolvern
