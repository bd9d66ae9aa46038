#include "data/move_summary.h"

#include "base/paths.h"

namespace tolvern::data {
namespace {

std::string Shown(const std::string& path, const std::string& base) {
  std::string prefix = base.empty() ? "" : PathJoin(base, "");
  return !prefix.empty() && path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size())
                                                                        : path;
}

std::string Rows(std::uint64_t n, const char* what) {
  return std::to_string(n) + (n == 1 ? " row " : " rows ") + what;
}

std::string TableLine(const TableOutcome& t, const std::string& base) {
  std::string line = Shown(t.file, base) + ": ";
  if (t.not_a_table) return line + t.error.substr(t.error.find(": ") + 2) + "; skipped\n";
  if (!t.error.empty()) return line + "not moved: " + t.error.substr(t.error.find(": ") + 2) + "\n";
  line += "table \"" + t.table + "\": " + Rows(t.rows_moved, "moved");
  if (t.account.rows_deleted) line += ", " + Rows(t.account.rows_deleted, "deleted left out");
  if (t.account.rows_damaged) line += ", " + Rows(t.account.rows_damaged, "damaged left out");
  if (t.rows_rejected) line += ", " + Rows(t.rows_rejected, "refused by the database");
  line += "\n";
  for (const std::string& problem : t.account.problems) line += "  problem: " + problem + "\n";
  for (const std::string& note : t.account.notes) line += "  note: " + note + "\n";
  return line;
}

}  // namespace

std::string MoveSummary(const MoveResult& result, const std::string& base) {
  std::string text;
  std::uint64_t tables = 0, rows = 0, lost = 0;
  for (const TableOutcome& t : result.tables) {
    text += TableLine(t, base);
    if (!t.table.empty()) ++tables;
    rows += t.rows_moved;
    if (t.Lost()) ++lost;
  }
  for (const std::string& error : result.listing_errors) text += error + "\n";
  for (const std::string& note : result.notes) text += "note: " + Shown(note, base) + "\n";
  text += std::to_string(tables) + (tables == 1 ? " table, " : " tables, ") + Rows(rows, "moved");
  if (lost) text += "; " + std::to_string(lost) + " with rows or values not moved";
  text += "\n";
  if (!result.output_error.empty()) text += "Stopped: " + result.output_error + "\n";
  return text;
}

}  // namespace tolvern::data
