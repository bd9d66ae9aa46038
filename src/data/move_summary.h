// The account of a move as the command prints it: a line per table with the
// rows moved and left out, each problem under it, and a closing total.
#pragma once

#include <string>

#include "data/table_mover.h"

namespace tolvern::data {

// One line per table, problems and notes indented under it, then the notes
// of the move (index and check files of no table), then the total.
// Files are shown relative to base where they lie below it.
std::string MoveSummary(const MoveResult& result, const std::string& base);

}  // namespace tolvern::data
