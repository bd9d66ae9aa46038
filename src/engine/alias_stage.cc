#include "engine/alias_stage.h"

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "base/paths.h"
#include "engine/designer_uses.h"
#include "engine/rewrite_stage.h"
#include "engine/run_reporter.h"
#include "files/file_utils.h"
#include "parsing/pascal_scanner.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

bool IsProjectFile(const std::string& path) { return SameText(ExtractFileExt(path), ".dpr"); }

// The forms a project text names: in a CreateForm call or in the form
// comment of a uses entry ("Unit1 in 'Unit1.pas' {Form1}").
void AddProjectForms(std::string_view text, FoldedSet* forms) {
  const PasTokens tokens = SignificantTokens(text, true);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const PasToken t = tokens[i];
    if (t.code == kTokComment && t.text.size() > 2 && t.text[0] == '{') {
      std::string_view inner = t.text.substr(1, t.text.size() - 2);
      const size_t end = inner.find_first_of(":} ");
      if (end != 0) forms->insert(std::string(inner.substr(0, end)));
    } else if (t.code == kTokIdent && SameText(t.text, "CreateForm") && i + 4 < tokens.size() &&
               tokens[i + 1].code == SymbolCodeOf('(') && tokens[i + 3].code == SymbolCodeOf(',')) {
      forms->insert(std::string(tokens[i + 4].text));
    }
  }
}

// Whether a project text names one of forms.
bool NamesAForm(std::string_view text, const FoldedSet& forms) {
  FoldedSet named;
  AddProjectForms(text, &named);
  for (const std::string& f : named)
    if (forms.count(f)) return true;
  return false;
}

// The path of file as a project file in folder writes it, with the
// separator the form designer uses.
std::string PathInProject(const std::string& file, const std::string& folder) {
  std::string rel =
      std::filesystem::path(file).lexically_relative(std::filesystem::path(folder)).string();
  if (rel.empty()) rel = ExtractFileName(file);
  for (char& c : rel)
    if (c == '/') c = '\\';
  return rel;
}

}  // namespace

bool AliasStage::CurrentText(int i, std::string* text, TextEncoding* encoding, std::string* why) {
  const RunFile& f = files_[i];
  const std::string& path = f.changed ? f.work_path : r_.UnitList[i];
  std::string bytes, reason;
  if (!disk_.ReadFile(path, &bytes, &reason)) {
    *why = "Cannot open file \"" + path + "\". " + reason;
    return false;
  }
  *encoding = DetectEncoding(bytes);
  if (DecodeOwnedText(std::move(bytes), *encoding, text, &reason)) return true;
  *why = path + ": " + reason;
  return false;
}

std::vector<int> AliasStage::ProjectsNeedingModule(const FoldedSet& forms) {
  std::vector<int> projects;
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    if (!IsProjectFile(r_.UnitList[i])) continue;
    if (r_.Options->Dest == RunSource::kProject) {
      projects.push_back(i);
      continue;
    }
    if (files_[i].skipped) continue;
    std::string text, why;
    TextEncoding encoding;
    if (!CurrentText(i, &text, &encoding, &why)) {
      // Whether it needs the module cannot be told: it is left as it is.
      Skip(i, why);
      continue;
    }
    if (NamesAForm(text, forms)) projects.push_back(i);
  }
  return projects;
}

void AliasStage::Plan() {
  // In a folder with project files, a database on a form a project creates
  // comes before one on a form none creates (an old copy).
  if (r_.Options->Dest == RunSource::kFolder) {
    FoldedSet created;
    bool any = false;
    for (int i = 0; i < r_.UnitList.Count(); ++i) {
      if (!IsProjectFile(r_.UnitList[i]) || files_[i].skipped) continue;
      std::string text, why;
      TextEncoding encoding;
      if (!CurrentText(i, &text, &encoding, &why)) {
        // Which forms it creates cannot be told: it is left as it is.
        Skip(i, why);
        continue;
      }
      AddProjectForms(text, &created);
      any = true;
    }
    if (any) r_.Databases.PreferForms(std::move(created));
  }
  const std::vector<AliasUse> uses = r_.Databases.Aliases();
  r_.Aliases = PlanAliases(uses, r_.AliasRules, r_.AliasModuleUnit);
  AliasPlan& plan = r_.Aliases;
  if (!plan.NewConnections().empty()) {
    // The module goes beside the first project file that brings it in,
    // else beside the project's first unit, or at the top of the folder.
    const std::vector<int> projects = ProjectsNeedingModule(plan.FormsNeedingModule());
    std::string folder;
    if (!projects.empty())
      folder = ExtractFileDir(r_.UnitList[projects.front()]);
    else if (r_.Options->Dest == RunSource::kProject && r_.UnitList.Count() > 0)
      folder = ExtractFileDir(r_.UnitList[0]);
    else
      folder = r_.Options->Directory;
    // A unit of that name anywhere in the run, or a file of its names in
    // that folder, is never replaced: a name the profile gives stops the
    // run, the default name takes the next number.
    FoldedSet run_units;
    for (int i = 0; i < r_.UnitList.Count(); ++i)
      run_units.insert(ChangeFileExt(ExtractFileName(r_.UnitList[i]), ""));
    auto taken = [&](const std::string& unit) -> std::string {
      if (run_units.count(unit)) return "a unit of the run has that name";
      for (const char* ext : {".pas", ".dfm"}) {
        const std::string found = FindFileIgnoringCase(disk_, PathJoin(folder, unit + ext));
        if (!found.empty()) return found + " is there already";
      }
      return "";
    };
    std::string unit = r_.AliasModuleUnit;
    for (int n = 2; n < 10000; ++n) {
      const std::string why = taken(unit);
      if (why.empty()) break;
      if (r_.AliasModuleNamed)
        throw EFCreateError("Cannot create the connection module " + PathJoin(folder, unit) +
                            ".pas: " + why + "; name the module another way (\"aliasModule\" " +
                            "in the profile)");
      unit = r_.AliasModuleUnit + std::to_string(n);
    }
    if (unit != r_.AliasModuleUnit) r_.Aliases = PlanAliases(uses, r_.AliasRules, unit);
    r_.Aliases.unit_path = PathJoin(folder, unit + ".pas");
    r_.Aliases.projects = projects;
  }
  r_.Report.aliases.clear();
  for (const AliasOutcome& a : r_.Aliases.aliases) {
    if (!a.reference.empty()) r_.Databases.BindAlias(a.use.alias, a.reference);
    r_.Report.aliases.push_back({a.use.alias, a.use.data_sets, a.use.forms, a.action, a.reference});
  }
}

void AliasStage::AddTodo(std::vector<TodoItem>* todo, const std::string& file, int line,
                         TodoLevel level, std::string text, std::string advice) {
  TodoItem item;
  item.kind = todo_kind::kConnection;
  item.file = file;
  item.line = line;
  item.col = 1;
  item.level = level;
  item.text = std::move(text);
  item.advice = std::move(advice);
  todo->push_back(std::move(item));
}

void AliasStage::Finish() {
  FinishModule();
  AddDesignerUses();
  WarnUncreatedForms();
}

void AliasStage::FinishModule() {
  const AliasPlan& plan = r_.Aliases;
  const std::vector<NewConnection> connections = plan.NewConnections();
  if (connections.empty()) return;
  const ConnectionModuleNames& names = plan.module;
  // The project files as the run leaves them so far; one that cannot be
  // read now is left as it is, named.
  std::vector<ProjectText> projects;
  for (int i : plan.projects) {
    ProjectText p;
    p.index = i;
    if (files_[i].skipped) {
      p.why = "the project file is left as it is";
    } else if (!CurrentText(i, &p.text, &p.encoding, &p.why)) {
      Skip(i, p.why);
      p.why = "the project file could not be read";
    }
    projects.push_back(std::move(p));
  }
  // The module is written as the project is: its encoding and line ends.
  TextEncoding encoding = TextEncoding::kAnsi;
  std::string eol = "\r\n";
  for (const ProjectText& p : projects)
    if (p.why.empty()) {
      encoding = p.encoding;
      eol = LineEndOf(p.text);
      break;
    }
  const std::string unit_path = plan.unit_path;
  const std::string form_path = ChangeFileExt(unit_path, ".dfm");
  std::string uses = "SysUtils, Classes";
  const std::string more = r_.NewUnits;  // ", NXAccess, ..." behind the source unit
  uses += more;
  const std::string form = ConnectionModuleForm(names, connections, eol);
  r_.CreatedFiles.push_back(
      {unit_path, EncodeText(ConnectionModuleUnit(names, connections, uses, eol), encoding)});
  // The form text is ASCII in any encoding: values beyond it are #nnn codes.
  r_.CreatedFiles.push_back({form_path, form});
  r_.Log.WriteLine("Creating the connection module " + unit_path + " with " +
                   std::to_string(connections.size()) + " connection(s) for BDE aliases");
  FileReport unit_report =
      FileReport::Unchanged(unit_path, FileKind::kUnit, EncodingName(encoding));
  FileReport form_report = FileReport::Unchanged(form_path, FileKind::kTextForm, "ANSI");
  unit_report.outcome = form_report.outcome = FileOutcome::kCreated;
  unit_report.changes = 1;
  form_report.changes = static_cast<int>(connections.size());

  // A connection whose database the profile leaves open must get one.
  int line = 5;
  for (const NewConnection& c : connections) {
    bool has_database = false;
    for (const auto& [name, value] : c.properties) has_database |= name == "Database";
    // The code compiles as it is: a connection to fill in is a warning.
    if (!has_database)
      AddTodo(&form_report.todo, form_path, line, todo_level::kWarning,
              "object " + c.name + ": TNXConnection",
              "made for BDE alias " + c.alias + ": set Database, Server and Username to what the " +
                  "alias named (give them in the profile's \"aliases\" to have them written)");
    line += 4 + static_cast<int>(c.properties.size());
  }
  if (plan.projects.empty())
    AddTodo(&unit_report.todo, unit_path, 1, todo_level::kError, "unit " + names.unit,
            "no project file of the run creates this data module: add " + names.unit +
                ".pas to the project and create " + names.module + " before the forms that use it");
  for (const ProjectText& p : projects) AddToProject(p, unit_path, &unit_report.todo);
  r_.Report.files.push_back(std::move(unit_report));
  r_.Report.files.push_back(std::move(form_report));
}

void AliasStage::AddToProject(const ProjectText& p, const std::string& unit_path,
                              std::vector<TodoItem>* todo) {
  const int i = p.index;
  const std::string& project = r_.UnitList[i];
  const ConnectionModuleNames& names = r_.Aliases.module;
  const std::string by_hand = "add " + names.unit + " to the uses clause of " + project +
                              " and create " + names.module + " before the forms that use it";
  if (!p.why.empty()) {
    AddTodo(todo, unit_path, 1, todo_level::kError, "unit " + names.unit, p.why + ": " + by_hand);
    return;
  }
  const std::string& text = p.text;
  const TextEncoding encoding = p.encoding;
  const ProjectEdit edit = AddModuleToProject(
      text, names, PathInProject(unit_path, ExtractFileDir(project)), LineEndOf(text));
  if (!edit.uses_added || !edit.create_added)
    AddTodo(todo, unit_path, 1, todo_level::kError, "unit " + names.unit,
            std::string(edit.uses_added ? "" : "the project file has no uses clause; ") +
                (edit.create_added ? "" : "the project file creates no form; ") + by_hand);
  if (edit.text == text) return;
  FileReport* report = WriteEdited(i, edit.text, encoding,
                                   "Adding the connection module " + names.unit + " to " + project);
  if (!report) return;
  if (!edit.warning.empty()) {
    // At the call as the project file now reads.
    const std::string call = "Application.CreateForm(" + names.cls + ", " + names.module;
    const size_t at = edit.text.find(call);
    const int line =
        1 + static_cast<int>(std::count(
                edit.text.begin(),
                edit.text.begin() + static_cast<std::ptrdiff_t>(at == std::string::npos ? 0 : at),
                '\n'));
    AddTodo(&report->todo, project, line, todo_level::kWarning,
            "Application.CreateForm(" + names.cls + ", " + names.module + ")",
            edit.warning + ": the run creates " + names.module + " before that statement; " +
                "make sure every start of the application runs it before any form that uses it");
  }
}

FileReport* AliasStage::WriteEdited(int i, const std::string& text, TextEncoding encoding,
                                    const std::string& log_line) {
  const std::string& path = r_.UnitList[i];
  RunFile& f = files_[i];
  // Over its rewritten copy, or where the rewriting would have put one.
  const std::string work = f.changed ? f.work_path : PathJoin(f.work_dir, ExtractFileName(path));
  std::string why;
  if (!disk_.WriteNewFile(work, EncodeText(text, encoding), &why))
    throw EFCreateError("Cannot create file \"" + work + "\". " + why);
  const bool was_changed = f.changed;
  f.changed = true;
  f.work_path = work;
  if (!was_changed) ++r_.ChangedCount;
  r_.Log.WriteLine(log_line);
  FileReport* report = RunReporter(r_.Log, r_.Report).Find(path);
  if (report) {
    report->outcome = FileOutcome::kChanged;
    report->changes += 1;
  }
  if (r_.OnFileChanged) r_.OnFileChanged(path, work);
  const std::string refused = RewriteStage::RefusedReplacement(disk_, *r_.Options, path, f);
  if (!refused.empty()) {
    Skip(i, refused);
    return nullptr;
  }
  return report;
}

void AliasStage::WarnUncreatedForms() {
  for (const std::string& form_path : r_.Databases.Paths()) {
    FileReport* report = RunReporter(r_.Log, r_.Report).Find(form_path);
    if (!report || report->outcome != FileOutcome::kChanged) continue;
    std::string form_text;
    for (const DataSetOfForm& d : r_.Databases.DataSetsOf(form_path)) {
      const std::string ref = r_.Databases.Reference(d.database, form_path);
      const size_t dot = ref.find('.');
      if (dot == std::string::npos || r_.Databases.Created(ref.substr(0, dot))) continue;
      if (r_.Aliases.module.module == ref.substr(0, dot)) continue;
      // At the data set's object in a text form; line 1 in a binary one.
      if (form_text.empty()) disk_.ReadFile(form_path, &form_text, nullptr);
      const size_t at = form_text.find(" " + d.component + ":");
      const int line = at == std::string::npos
                           ? 1
                           : 1 + static_cast<int>(std::count(
                                     form_text.begin(),
                                     form_text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
      AddTodo(&report->todo, form_path, line, todo_level::kWarning,
              d.component + ".Connection = " + ref,
              "bound to " + ref + ", on a form that no project file of the folder creates: the " +
                  "reference never resolves at run time; bind database " + d.database +
                  " to a component of a form a project creates (a profile's \"aliases\"), or " +
                  "add that form to the project");
    }
  }
}

void AliasStage::AddDesignerUses() {
  // The run's files by path without extension, to find a form's unit.
  FoldedMap<int> units;
  FoldedMap<int> forms;
  for (int i = 0; i < r_.UnitList.Count(); ++i) {
    const std::string& path = r_.UnitList[i];
    const std::string ext = ExtractFileExt(path);
    if (SameText(ext, ".pas"))
      units[ChangeFileExt(path, "")] = i;
    else if (!IsProjectFile(path))
      forms[path] = i;
  }
  const ConnectionModuleNames& module = r_.Aliases.module;
  const bool module_made = !r_.Aliases.NewConnections().empty();
  for (const std::string& form_path : r_.Databases.Paths()) {
    auto form = forms.find(form_path);
    auto unit = units.find(ChangeFileExt(form_path, ""));
    if (form == forms.end() || unit == units.end()) continue;
    // Only a form the run rewrote has the links written.
    if (!files_[form->second].changed || files_[form->second].skipped ||
        files_[unit->second].skipped)
      continue;
    std::vector<std::string> needed;
    for (const std::string& root : r_.Databases.FormsReferredBy(form_path)) {
      std::string other;
      if (module_made && SameText(root, module.module)) {
        other = module.unit;
      } else if (const std::string path = r_.Databases.PathOfForm(root);
                 !path.empty() && r_.Databases.Created(root)) {
        // A form no project creates is warned of, not brought in.
        other = ChangeFileExt(ExtractFileName(path), "");
      }
      if (!other.empty() && !SameText(other, ChangeFileExt(ExtractFileName(form_path), "")))
        needed.push_back(other);
    }
    if (needed.empty()) continue;
    const int i = unit->second;
    std::string text, why;
    TextEncoding encoding;
    if (!CurrentText(i, &text, &encoding, &why)) {
      Skip(i, why);
      continue;
    }
    const std::string edited = AddImplementationUses(text, needed, LineEndOf(text));
    if (edited == text) continue;
    std::string names;
    for (const std::string& n : needed) names += (names.empty() ? "" : ", ") + n;
    WriteEdited(i, edited, encoding,
                "Adding " + names + " to the implementation uses of " + r_.UnitList[i]);
  }
}

void AliasStage::Skip(int i, const std::string& reason) {
  files_[i].skipped = true;
  RunReporter(r_.Log, r_.Report).NotMigrated(r_.UnitList[i], reason);
}

}  // namespace tolvern
