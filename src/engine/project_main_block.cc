#include "engine/project_main_block.h"

#include "base/ascii_text.h"

namespace tolvern {

namespace {

bool IsWord(const PasToken& t, std::string_view word) {
  return t.code == kTokIdent && SameText(t.text, word);
}
bool IsSymbol(const PasToken& t, char c) { return t.code == SymbolCodeOf(c); }

// Words that open a block closed by "end".
bool OpensBlock(const PasTokens& tokens, size_t i) {
  const PasToken t = tokens[i];
  // "procedure of object" opens nothing.
  if (t.code == kTokObject) return i == 0 || !IsWord(tokens[i - 1], "of");
  if (t.code != kTokIdent) return false;
  for (const char* w : {"begin", "try", "case", "asm", "record"})
    if (SameText(t.text, w)) return true;
  // A class type (not "class of", not a forward "class;", not a class
  // method or field inside one).
  if (SameText(t.text, "class") || SameText(t.text, "interface")) {
    if (i + 1 >= tokens.size() || tokens[i + 1].code == kTokSemicolon ||
        IsSymbol(tokens[i + 1], '='))
      return false;
    for (const char* w : {"of", "function", "procedure", "var", "property", "constructor",
                          "destructor", "operator", "threadvar"})
      if (IsWord(tokens[i + 1], w)) return false;
    return true;
  }
  return false;
}

// Whether the token before i ends a statement, so that i begins one that
// runs whenever the block it stands in runs.
bool BeginsPlainStatement(const PasTokens& tokens, size_t i) {
  const PasToken p = tokens[i - 1];
  return p.code == kTokSemicolon || IsWord(p, "begin") || IsWord(p, "try") || IsWord(p, "finally");
}

// The Application call at k ("Application" "." Method), when it is one.
bool ReadCall(const PasTokens& tokens, std::string_view text, size_t k, ApplicationCall* call) {
  if (k + 2 >= tokens.size() || !IsWord(tokens[k], "Application") ||
      !IsSymbol(tokens[k + 1], '.') || tokens[k + 2].code != kTokIdent)
    return false;
  const PasToken m = tokens[k + 2];
  bool known = false;
  for (const char* w : {"Initialize", "CreateForm", "Run"}) known |= SameText(m.text, w);
  if (!known) return false;
  call->method = std::string(m.text);
  call->statement = tokens[k].offset;
  size_t j = k + 3;
  // Application.CreateForm(TClass, Variable)
  if (j + 4 < tokens.size() && IsSymbol(tokens[j], '(') && IsSymbol(tokens[j + 2], ',') &&
      tokens[j + 3].code == kTokIdent && SameText(m.text, "CreateForm"))
    call->form = std::string(tokens[j + 3].text);
  size_t last = k + 2;
  if (j < tokens.size() && IsSymbol(tokens[j], '(')) {
    int depth = 0;
    for (; j < tokens.size(); ++j) {
      if (IsSymbol(tokens[j], '(')) ++depth;
      if (IsSymbol(tokens[j], ')') && --depth == 0) break;
      if (tokens[j].code == kTokSemicolon || tokens[j].code == kTokEndKw) break;
    }
    if (j < tokens.size() && IsSymbol(tokens[j], ')')) last = j++;
  }
  if (j < tokens.size() && tokens[j].code == kTokSemicolon) {
    call->has_semicolon = true;
    call->end = tokens[j].offset + 1;
  } else {
    call->end = last < tokens.size() ? tokens[last].offset + tokens[last].text.size() : text.size();
  }
  return true;
}

// The main block's "begin" and its closing "end" (followed by "."), by
// token index; false when there is none.
bool FindMainBlock(const PasTokens& tokens, size_t* begin, size_t* end) {
  int depth = 0;
  size_t open = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (OpensBlock(tokens, i)) {
      if (depth == 0) open = i;
      ++depth;
    } else if (tokens[i].code == kTokEndKw && depth > 0) {
      if (--depth == 0 && i + 1 < tokens.size() && IsSymbol(tokens[i + 1], '.') &&
          IsWord(tokens[open], "begin")) {
        *begin = open;
        *end = i;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

ProjectMainBlock ReadProjectMainBlock(const PasTokens& tokens, std::string_view text) {
  ProjectMainBlock block;
  size_t first = 0, last = 0;
  if (!FindMainBlock(tokens, &first, &last)) {
    for (size_t k = 0; k < tokens.size(); ++k) {
      ApplicationCall call;
      if (ReadCall(tokens, text, k, &call)) block.calls.push_back(std::move(call));
    }
    return block;
  }
  block.found = true;
  block.body = tokens[first].offset + tokens[first].text.size();
  // Whether each open block runs on every start: the main block does; a
  // begin or try that is a statement of its own in one that does, does;
  // any other block (a branch's, a loop's, a case, an except part) does not.
  std::vector<bool> runs = {true};
  size_t top = tokens[first + 1 < last ? first + 1 : first].offset;
  for (size_t i = first + 1; i < last; ++i) {
    const PasToken t = tokens[i];
    if (runs.size() == 1 && BeginsPlainStatement(tokens, i)) top = t.offset;
    if (OpensBlock(tokens, i)) {
      const bool plain =
          (IsWord(t, "begin") || IsWord(t, "try")) && BeginsPlainStatement(tokens, i);
      runs.push_back(runs.back() && plain);
      continue;
    }
    if (t.code == kTokEndKw) {
      if (runs.size() > 1) runs.pop_back();
      continue;
    }
    if (IsWord(t, "except") && runs.size() > 1) runs.back() = false;
    // A repeat loop's body, closed by "until".
    if (IsWord(t, "repeat")) {
      runs.push_back(false);
      continue;
    }
    if (IsWord(t, "until") && runs.size() > 1) {
      runs.pop_back();
      continue;
    }
    ApplicationCall call;
    if (!ReadCall(tokens, text, i, &call)) continue;
    call.unconditional = runs.back() && BeginsPlainStatement(tokens, i);
    call.top_statement = top;
    block.calls.push_back(std::move(call));
  }
  return block;
}

}  // namespace tolvern
