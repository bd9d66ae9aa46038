#include "engine/connection_module.h"

#include <algorithm>

#include "base/text_edits.h"
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

struct CreateCall {
  size_t statement = 0;  // offset of "Application"
  size_t end = 0;        // offset just past its ";" (or ")")
  std::string form;      // the variable it assigns
};

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

// The CreateForm calls of the main block, and where its Application.Run
// stands (*run_at; npos when it has none).
std::vector<CreateCall> CreateCalls(const PasTokens& tokens, std::string_view project_text,
                                    size_t* run_at) {
  std::vector<CreateCall> calls;
  *run_at = std::string_view::npos;
  for (size_t k = 0; k + 2 < tokens.size(); ++k) {
    if (!IsIdent(tokens[k], "Application") || !IsSymbol(tokens[k + 1], '.')) continue;
    if (IsIdent(tokens[k + 2], "Run")) {
      if (*run_at == std::string_view::npos) *run_at = tokens[k].offset;
      continue;
    }
    if (!IsIdent(tokens[k + 2], "CreateForm")) continue;
    CreateCall call;
    call.statement = tokens[k].offset;
    // Application.CreateForm(TClass, Variable);
    size_t j = k + 3;
    if (j + 4 < tokens.size() && IsSymbol(tokens[j], '(') && IsSymbol(tokens[j + 2], ',') &&
        tokens[j + 3].code == kTokIdent)
      call.form = std::string(tokens[j + 3].text);
    for (; j < tokens.size(); ++j) {
      if (tokens[j].code == kTokSemicolon || IsIdent(tokens[j], "end")) break;
    }
    call.end = j < tokens.size() ? tokens[j].offset + (tokens[j].code == kTokSemicolon ? 1 : 0)
                                 : project_text.size();
    calls.push_back(std::move(call));
  }
  return calls;
}

// Adds the call that creates the module to edits: before the first call
// that creates a form needing it, else before Application.Run, else after
// the last call. False when the text has no place for it.
bool AddCreateCall(TextEdits& edits, std::string_view project_text,
                   const std::vector<CreateCall>& calls, size_t run_at,
                   const ConnectionModuleNames& names, const FoldedSet& needing_forms,
                   const std::string& eol) {
  const std::string call = "Application.CreateForm(" + names.cls + ", " + names.module + ");";
  const CreateCall* before = nullptr;
  for (const CreateCall& c : calls)
    if (needing_forms.count(c.form)) {
      before = &c;
      break;
    }
  const size_t at = before ? before->statement : run_at;
  if (at != std::string_view::npos) {
    const size_t line = LineStart(project_text, at);
    // On a line of its own, indented as the statement it goes before;
    // a statement that shares its line with others gets it in front.
    if (IndentAt(project_text, line).size() == at - line)
      return edits.Add(line, 0, IndentAt(project_text, line) + call + eol);
    return edits.Add(at, 0, call + " ");
  }
  if (calls.empty()) return false;
  const std::string indent =
      IndentAt(project_text, LineStart(project_text, calls.back().statement));
  return edits.Add(calls.back().end, 0, eol + indent + call);
}

}  // namespace

ProjectEdit AddModuleToProject(std::string_view project_text, const ConnectionModuleNames& names,
                               const std::string& unit_path, const FoldedSet& needing_forms,
                               const std::string& eol) {
  const PasTokens tokens = SignificantTokens(project_text);
  bool in_uses = false;
  const size_t uses_end = UsesClauseEnd(tokens, names.unit, &in_uses);
  size_t run_at = std::string_view::npos;
  const std::vector<CreateCall> calls = CreateCalls(tokens, project_text, &run_at);
  bool created = false;
  for (const CreateCall& c : calls) created = created || SameText(c.form, names.module);

  ProjectEdit edit;
  edit.uses_added = in_uses;
  edit.create_added = created;
  // The edits are in the coordinates of the text as it is, applied at once.
  TextEdits edits;
  if (!created && AddCreateCall(edits, project_text, calls, run_at, names, needing_forms, eol))
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
