// The BDE aliases of a run. Once every form of the run has been scanned, and
// before any is converted, Plan decides what each alias becomes (what the
// profile maps it to), binds the data sets on it and, when the profile asks
// for new connections, where their data module goes and under which name.
// Once every file is rewritten, Finish makes the module's unit and form (in
// the project's encoding and line ends) for the commit to create, brings it
// into the project files that need it, and lists what is left for a person.
#pragma once

#include <string>
#include <vector>

#include "engine/component_replacer.h"

namespace tolvern {

class AliasStage {
 public:
  // The aliases of replacer's run (what the run knows of its files in
  // files), read and written through disk.
  AliasStage(TComponentReplacer& replacer, RunFiles& files, Disk& disk)
      : r_(replacer), files_(files), disk_(disk) {}

  // Throws EFCreateError when the module's name, as the profile gives it, is
  // taken by a file already there: the run stops with nothing changed.
  void Plan();
  // Makes the module and edits the project files into the work folder.
  void Finish();

 private:
  // The project files of the run that bring the module in: in project mode
  // the project's, in folder mode those that name a form that uses it.
  std::vector<int> ProjectsNeedingModule(const FoldedSet& forms);
  // The text of file i as the run leaves it so far; false, with the reason
  // in *why, when it cannot be read.
  bool CurrentText(int i, std::string* text, TextEncoding* encoding, std::string* why);
  struct ProjectText {
    int index = -1;
    std::string text;
    TextEncoding encoding = TextEncoding::kAnsi;
    std::string why;  // why it is left as it is; "" when it can be edited
  };
  // The module, its form and the project files that bring it in.
  void FinishModule();
  // The implementation uses of each unit whose form now refers to a
  // component of another form or data module: that one's unit.
  void AddDesignerUses();
  // A data set of a folder's form bound to a database on a form that no
  // project file of the folder creates: a warning on it.
  void WarnUncreatedForms();
  // Writes the new text of file i into the work folder and records the
  // change; its report, or nullptr when it is now left as it is.
  FileReport* WriteEdited(int i, const std::string& text, TextEncoding encoding,
                          const std::string& log_line);
  void AddToProject(const ProjectText& p, const std::string& unit_path,
                    std::vector<TodoItem>* todo);
  void AddTodo(std::vector<TodoItem>* todo, const std::string& file, int line, TodoLevel level,
               std::string text, std::string advice);

  // Leaves file i as it is with the reason: logged and reported.
  void Skip(int i, const std::string& reason);

  TComponentReplacer& r_;
  RunFiles& files_;
  Disk& disk_;
};

}  // namespace tolvern
