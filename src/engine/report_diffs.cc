#include "engine/report_diffs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "files/display_text.h"
#include "files/unified_diff.h"

namespace tolvern {
namespace {

// A UTF-8 path as the file system takes it, on Windows too.
std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// The code lines recorded as "NUMBER\tTEXT\n" records.
std::string Encoded(const std::map<int, std::string>& lines) {
  std::string s;
  for (const auto& [n, text] : lines) s += std::to_string(n) + "\t" + text + "\n";
  return s;
}

}  // namespace

std::map<int, std::string> LinesAround(std::string_view text, const std::vector<int>& lines,
                                       int context) {
  std::set<int> wanted;
  for (int l : lines)
    for (int n = std::max(1, l - context); n <= l + context; ++n) wanted.insert(n);
  std::map<int, std::string> out;
  if (wanted.empty()) return out;
  int n = 1;
  size_t start = 0;
  while (start <= text.size() && n <= *wanted.rbegin()) {
    size_t end = text.find_first_of("\r\n", start);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    if (wanted.count(n)) out[n] = std::string(text.substr(start, stop - start));
    if (end == std::string_view::npos) break;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
    ++n;
  }
  return out;
}

ReportDiffs::ReportDiffs(Disk& disk, std::string spool_path)
    : disk_(disk), path_(std::move(spool_path)) {
  // A pipe planted under the spool's name is neither written through nor
  // removed with the spool.
  std::string what;
  if (disk_.IsPipeOrDevice(path_, &what))
    throw EFCreateError("Cannot create file \"" + path_ + "\". " + what);
  spool_.open(NativePath(path_), std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
  if (!spool_) throw EFCreateError("Cannot create file \"" + path_ + "\".");
}

ReportDiffs::~ReportDiffs() {
  spool_.close();
  std::error_code ignored;
  std::filesystem::remove(NativePath(path_), ignored);
}

long long ReportDiffs::Append(const std::string& bytes) {
  const long long at = end_;
  spool_.seekp(at);
  spool_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!spool_) throw EFCreateError("Cannot write file \"" + path_ + "\".");
  end_ += static_cast<long long>(bytes.size());
  return at;
}

std::string ReportDiffs::ReadBack(long long at, long long size) const {
  std::string bytes(static_cast<size_t>(size), '\0');
  spool_.seekg(at);
  spool_.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!spool_) {
    spool_.clear();
    return {};
  }
  return bytes;
}

void ReportDiffs::Add(const std::string& key, const std::string& original,
                      const std::string& rewritten, const FileReport* report) {
  const std::string before = DisplayText(disk_, original);
  const std::string after = DisplayText(disk_, rewritten);
  std::string lines;
  if (report && !report->todo.empty()) {
    std::vector<int> at;
    for (const TodoItem& t : report->todo) at.push_back(t.line);
    // A form's places are counted in its original text, a unit's in its
    // rewritten one.
    const bool form = IsForm(report->kind);
    lines = Encoded(LinesAround(form ? before : after, at, kContext));
  }
  const std::string diff = UnifiedDiff(before, after, "a/" + key, "b/" + key);
  std::lock_guard lock(mutex_);
  Entry e;
  e.diff_size = static_cast<long long>(diff.size());
  e.diff_at = Append(diff);
  e.lines_size = static_cast<long long>(lines.size());
  e.lines_at = Append(lines);
  entries_[key] = e;
}

void ReportDiffs::Follow(TComponentReplacer& replacer,
                         std::function<std::string(const std::string&)> key_of) {
  auto before = std::move(replacer.OnFileChanged);
  replacer.OnFileChanged = [this, &replacer, before = std::move(before),
                            key_of = std::move(key_of)](const std::string& original,
                                                        const std::string& rewritten) {
    if (before) before(original, rewritten);
    // The report of a file is written as it is processed: the search from
    // the end finds it at once.
    const FileReports& files = replacer.Report.files;
    const FileReport* report = nullptr;
    for (auto f = files.rbegin(); f != files.rend() && !report; ++f)
      if (f->path == original) report = &*f;
    Add(key_of ? key_of(original) : original, original, rewritten, report);
  };
}

std::string ReportDiffs::Diff(const std::string& key) const {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(key);
  return it == entries_.end() ? std::string() : ReadBack(it->second.diff_at, it->second.diff_size);
}

std::map<int, std::string> ReportDiffs::CodeLines(const std::string& key) const {
  std::map<int, std::string> out;
  std::string bytes;
  {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return out;
    bytes = ReadBack(it->second.lines_at, it->second.lines_size);
  }
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t tab = bytes.find('\t', start);
    const size_t end = bytes.find('\n', tab);
    if (tab == std::string::npos || end == std::string::npos) break;
    out[std::stoi(bytes.substr(start, tab - start))] = bytes.substr(tab + 1, end - tab - 1);
    start = end + 1;
  }
  return out;
}

bool ReportDiffs::Has(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return entries_.count(key) > 0;
}

long long ReportDiffs::SpoolSize() const {
  std::lock_guard lock(mutex_);
  return end_;
}

}  // namespace tolvern
