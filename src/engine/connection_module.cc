#include "engine/connection_module.h"

#include <algorithm>

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

ProjectEdit AddModuleToProject(std::string_view project_text, const ConnectionModuleNames& names,
                               const std::string& unit_path, const FoldedSet& needing_forms,
                               const std::string& eol) {
  const PasTokens tokens = SignificantTokens(project_text);
  // The first uses clause: its end, and whether it names the module.
  size_t uses_end = std::string_view::npos;
  bool in_uses = false;
  size_t i = 0;
  for (; i < tokens.size(); ++i)
    if (tokens[i].code == kTokUses) break;
  for (++i; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokSemicolon) {
      uses_end = t.offset;
      break;
    }
    if (IsIdent(t, names.unit) && (IsSymbol(tokens[i - 1], ',') || tokens[i - 1].code == kTokUses))
      in_uses = true;
  }
  // The CreateForm calls of the main block, and its Application.Run.
  std::vector<CreateCall> calls;
  size_t run_at = std::string_view::npos;
  for (size_t k = 0; k + 2 < tokens.size(); ++k) {
    if (!IsIdent(tokens[k], "Application") || !IsSymbol(tokens[k + 1], '.')) continue;
    if (IsIdent(tokens[k + 2], "Run")) {
      if (run_at == std::string_view::npos) run_at = tokens[k].offset;
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
  bool created = false;
  for (const CreateCall& c : calls) created = created || SameText(c.form, names.module);

  ProjectEdit edit;
  edit.uses_added = in_uses;
  edit.create_added = created;
  // The edits are made from the end of the text back, so that the offsets
  // found stay right.
  struct Insert {
    size_t at;
    std::string text;
  };
  std::vector<Insert> inserts;
  if (!created) {
    const std::string call = "Application.CreateForm(" + names.cls + ", " + names.module + ");";
    const CreateCall* before = nullptr;
    for (const CreateCall& c : calls)
      if (needing_forms.count(c.form)) {
        before = &c;
        break;
      }
    size_t at = std::string_view::npos;
    if (before)
      at = before->statement;
    else if (run_at != std::string_view::npos)
      at = run_at;
    if (at != std::string_view::npos) {
      const size_t line = LineStart(project_text, at);
      // On a line of its own, indented as the statement it goes before;
      // a statement that shares its line with others gets it in front.
      if (IndentAt(project_text, line).size() == at - line)
        inserts.push_back({line, IndentAt(project_text, line) + call + eol});
      else
        inserts.push_back({at, call + " "});
      edit.create_added = true;
    } else if (!calls.empty()) {
      const size_t end = calls.back().end;
      inserts.push_back(
          {end,
           eol + IndentAt(project_text, LineStart(project_text, calls.back().statement)) + call});
      edit.create_added = true;
    }
  }
  if (!in_uses && uses_end != std::string_view::npos) {
    inserts.push_back({uses_end, "," + eol + "  " + names.unit + " in '" + unit_path + "' {" +
                                     names.module + ": TDataModule}"});
    edit.uses_added = true;
  }
  std::string text(project_text);
  std::sort(inserts.begin(), inserts.end(),
            [](const Insert& a, const Insert& b) { return a.at > b.at; });
  for (const Insert& ins : inserts) text.insert(ins.at, ins.text);
  edit.text = std::move(text);
  return edit;
}

}  // namespace tolvern
