// The diffs of a run's changed files, kept for the HTML report: each one is
// made as its file is rewritten and written at once to a spool file, so that
// memory does not grow with the size of the tree. With each diff go the code
// lines around the file's to-do places, taken from the text the places were
// counted in (a unit's rewritten text, a form's original form text).
#pragma once

#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/run_report.h"

namespace tolvern {

class TComponentReplacer;
class Disk;

class ReportDiffs {
 public:
  // Lines of context shown around a to-do place, on each side.
  static constexpr int kContext = 1;

  // Spools to spool_path (created, emptied; removed again by the
  // destructor); throws EFCreateError naming it when it cannot be created.
  // The files diffed are read through disk.
  ReportDiffs(Disk& disk, std::string spool_path);
  ~ReportDiffs();
  ReportDiffs(const ReportDiffs&) = delete;
  ReportDiffs& operator=(const ReportDiffs&) = delete;

  // Records the diff of one changed file under key (the path the report
  // will show), labelled "a/key" and "b/key", and the lines around each
  // to-do place of report (which may be null). A second call for the same
  // key replaces the first. Safe to call from several threads.
  void Add(const std::string& key, const std::string& original, const std::string& rewritten,
           const FileReport* report);
  // Records each file the replacer changes from now on (after any callback
  // it had already), under the key that key_of gives its original's path.
  void Follow(TComponentReplacer& replacer,
              std::function<std::string(const std::string&)> key_of = nullptr);

  // The unified diff recorded under key; "" when there is none.
  std::string Diff(const std::string& key) const;
  // The code lines recorded for key: line number -> text.
  std::map<int, std::string> CodeLines(const std::string& key) const;
  bool Has(const std::string& key) const;
  // How many bytes the spool holds.
  long long SpoolSize() const;

 private:
  struct Entry {
    long long diff_at = 0, diff_size = 0, lines_at = 0, lines_size = 0;
  };
  long long Append(const std::string& bytes);
  std::string ReadBack(long long at, long long size) const;

  Disk& disk_;
  std::string path_;
  mutable std::fstream spool_;
  mutable std::mutex mutex_;
  long long end_ = 0;
  std::unordered_map<std::string, Entry> entries_;
};

// The code lines (1-based number -> text) of text around each of lines,
// context lines on each side, line ends left out.
std::map<int, std::string> LinesAround(std::string_view text, const std::vector<int>& lines,
                                       int context);

}  // namespace tolvern
