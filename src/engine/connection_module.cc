#include "engine/connection_module.h"

#include <algorithm>

#include "base/text_edits.h"
#include "engine/project_main_block.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

// Where the designer puts the first component of a data module, and how far
// apart it puts the next ones.
constexpr int kFirstLeft = 48, kFirstTop = 24, kStep = 56;

bool IsIdent(const PasToken& t, std::string_view word) {
  return t.code == kTokIdent && SameText(t.text, word);
}
bool IsSymbol(const PasToken& t, char c) { return t.code == SymbolCodeOf(c); }

// The start of the line that holds offset, and the blanks that begin it.
size_t LineStart(std::string_view text, size_t offset) {
  const size_t nl = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  return nl == std::string_view::npos || offset == 0 ? 0 : nl + 1;
}
std::string IndentAt(std::string_view text, size_t line_start) {
  size_t end = line_start;
  while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) ++end;
  return std::string(text.substr(line_start, end - line_start));
}

}  // namespace

std::string LineEndOf(std::string_view text) {
  const size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return "\r\n";
  return nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::string ConnectionModuleUnit(const ConnectionModuleNames& names,
                                 const std::vector<NewConnection>& connections,
                                 const std::string& uses, const std::string& eol) {
  std::string fields;
  for (const NewConnection& c : connections) fields += "    " + c.name + ": TNXConnection;" + eol;
  return "unit " + names.unit + ";" + eol + eol + "interface" + eol + eol + "uses" + eol + "  " +
         uses + ";" + eol + eol + "type" + eol + "  " + names.cls + " = class(TDataModule)" + eol +
         fields + "  private" + eol + "    { Private declarations }" + eol + "  public" + eol +
         "    { Public declarations }" + eol + "  end;" + eol + eol + "var" + eol + "  " +
         names.module + ": " + names.cls + ";" + eol + eol + "implementation" + eol + eol +
         "{$R *.dfm}" + eol + eol + "end." + eol;
}

std::string ConnectionModuleForm(const ConnectionModuleNames& names,
                                 const std::vector<NewConnection>& connections,
                                 const std::string& eol) {
  std::string text =
      "object " + names.module + ": " + names.cls + eol + "  OldCreateOrder = False" + eol +
      "  Height = " + std::to_string(kFirstTop * 2 + kStep * static_cast<int>(connections.size())) +
      eol + "  Width = 215" + eol;
  int top = kFirstTop;
  for (const NewConnection& c : connections) {
    text += "  object " + c.name + ": TNXConnection" + eol;
    for (const auto& [name, value] : c.properties) text += "    " + name + " = " + value + eol;
    text += "    Left = " + std::to_string(kFirstLeft) + eol + "    Top = " + std::to_string(top) +
            eol + "  end" + eol;
    top += kStep;
  }
  return text + "end" + eol;
}

namespace {

// The end of the project's first uses clause (its ";"), and whether the
// clause names unit already (*in_uses); npos when there is none.
size_t UsesClauseEnd(const PasTokens& tokens, const std::string& unit, bool* in_uses) {
  *in_uses = false;
  size_t i = 0;
  for (; i < tokens.size(); ++i)
    if (tokens[i].code == kTokUses) break;
  for (++i; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokSemicolon) return t.offset;
    if (IsIdent(t, unit) && (IsSymbol(tokens[i - 1], ',') || tokens[i - 1].code == kTokUses))
      *in_uses = true;
  }
  return std::string_view::npos;
}

// Where a statement goes so that it runs before the one at offset `at`: on
// a line of its own, indented as that one, when it begins its line; in front
// of it otherwise.
bool InsertBefore(TextEdits& edits, std::string_view text, size_t at, const std::string& call,
                  const std::string& eol) {
  const size_t line = LineStart(text, at);
  if (IndentAt(text, line).size() == at - line)
    return edits.Add(line, 0, IndentAt(text, line) + call + eol);
  return edits.Add(at, 0, call + " ");
}

// Adds the call that creates the module to edits, where every start of the
// application runs it before any form is created: right after an
// Application.Initialize that every start runs, else before the first
// CreateForm when every start runs that, else (with *warning said) before
// the statement of the main block that holds the first CreateForm (or Run).
// False when the text has no place for it.
bool AddCreateCall(TextEdits& edits, std::string_view text, const ProjectMainBlock& block,
                   const ConnectionModuleNames& names, const std::string& eol,
                   std::string* warning) {
  const std::string call = "Application.CreateForm(" + names.cls + ", " + names.module + ");";
  const ApplicationCall* init = nullptr;
  const ApplicationCall* first = nullptr;  // the first CreateForm, else Run
  for (const ApplicationCall& c : block.calls) {
    if (!init && SameText(c.method, "Initialize") && c.unconditional) init = &c;
    if (!first && SameText(c.method, "CreateForm")) first = &c;
  }
  for (const ApplicationCall& c : block.calls)
    if (!first && SameText(c.method, "Run")) first = &c;
  if (init && (!first || init->end <= first->statement)) {
    const std::string indent = IndentAt(text, LineStart(text, init->statement));
    if (init->has_semicolon) return edits.Add(init->end, 0, eol + indent + call);
    return edits.Add(init->end, 0, ";" + eol + indent + call.substr(0, call.size() - 1));
  }
  if (!first) return false;
  if (first->unconditional) return InsertBefore(edits, text, first->statement, call, eol);
  if (!block.found) {
    *warning = "the project file has no main block Tolvern could read";
    return InsertBefore(edits, text, first->statement, call, eol);
  }
  *warning = "the project file creates its first form inside a branch of its main block, " +
             std::string("without an Application.Initialize before it");
  return InsertBefore(edits, text, first->top_statement, call, eol);
}

}  // namespace

ProjectEdit AddModuleToProject(std::string_view project_text, const ConnectionModuleNames& names,
                               const std::string& unit_path, const std::string& eol) {
  const PasTokens tokens = SignificantTokens(project_text);
  bool in_uses = false;
  const size_t uses_end = UsesClauseEnd(tokens, names.unit, &in_uses);
  const ProjectMainBlock block = ReadProjectMainBlock(tokens, project_text);
  bool created = false;
  for (const ApplicationCall& c : block.calls) created = created || SameText(c.form, names.module);

  ProjectEdit edit;
  edit.uses_added = in_uses;
  edit.create_added = created;
  // The edits are in the coordinates of the text as it is, applied at once.
  TextEdits edits;
  if (!created && AddCreateCall(edits, project_text, block, names, eol, &edit.warning))
    edit.create_added = true;
  if (!in_uses && uses_end != std::string_view::npos) {
    edits.Add(uses_end, 0,
              "," + eol + "  " + names.unit + " in '" + unit_path + "' {" + names.module +
                  ": TDataModule}");
    edit.uses_added = true;
  }
  edits.ApplyTo(project_text, &edit.text);
  return edit;
}

}  // namespace tolvern
