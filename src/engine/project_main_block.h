// The main block of a project file as far as the start of an application
// goes: its Application.Initialize, CreateForm and Run calls, and for each
// whether it runs on every start (not inside a branch, a loop or an
// exception handler) and which statement of the block holds it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/pascal_scanner.h"

namespace tolvern {

struct ApplicationCall {
  std::string method;    // Initialize, CreateForm, Run
  std::string form;      // CreateForm's variable ("" for the others)
  size_t statement = 0;  // offset of "Application"
  size_t end = 0;        // offset just past its ";", or past its last token without one
  bool has_semicolon = false;
  bool unconditional = false;  // a statement of its own that every start runs
  size_t top_statement = 0;    // offset of the main block's statement that holds it
};

struct ProjectMainBlock {
  bool found = false;                  // the text has a begin ... end. block
  size_t body = 0;                     // offset just past its "begin"
  std::vector<ApplicationCall> calls;  // in text order
};

// The main block of a project text (tokens: its SignificantTokens). Without
// a main block the calls are those of the whole text, none unconditional.
ProjectMainBlock ReadProjectMainBlock(const PasTokens& tokens, std::string_view text);

}  // namespace tolvern
