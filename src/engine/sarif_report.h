// The to-do list as a SARIF 2.1.0 log, the format editors' problem views,
// code-review systems and CI jobs read: one result per place, its level
// ("error", "warning", "note"), its kind as the rule, its file as a URI
// relative to the project's root (named "PROJECTROOT"), its line and column.
// Made from the RunReport the text list is made from, in the same order.
#pragma once

#include <string>
#include <string_view>

#include "engine/run_report.h"

namespace tolvern {

class Disk;

// The base the result paths are relative to, and the code page that the
// text of an ANSI file's places is decoded with.
struct SarifFacts {
  std::string root;   // the project's folder: an absolute path
  int code_page = 0;  // 0: the system's
};

// The name of the log a run writes beside its to-do list.
inline constexpr const char* kSarifTodoFileName = "Wiz_Todo.sarif";

// The name the root goes by in the log.
inline constexpr const char* kSarifRootId = "PROJECTROOT";

// A path as the text of a URI: "\" as "/", every byte outside the
// unreserved characters and "/" percent-encoded (spaces, non-ASCII).
std::string UriPath(std::string_view path);
// An absolute path as a file URI: "C:\My Projects\" gives
// "file:///C:/My%20Projects/", "\\server\share\a" "file://server/share/a",
// "/home/a" "file:///home/a". Windows paths are recognised on any system.
std::string FileUri(std::string_view absolute_path);

// The log's JSON text.
std::string SarifText(const RunReport& report, const SarifFacts& facts);

// Writes the log to path as the to-do list is written (a link under its name
// is not followed); throws EFCreateError naming the file when it cannot be.
void WriteSarifFile(Disk& disk, const std::string& path, const RunReport& report,
                    const SarifFacts& facts);

}  // namespace tolvern
