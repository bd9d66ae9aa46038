// The database components of a run's forms, by the database name each one
// declares (its DatabaseName), and the reference that binds a data set to
// one: a data set's DatabaseName names a database of the run, and becomes
// its Connection. A component of the data set's own form is referred to by
// its bare name, as the form designer writes a reference within a form (so
// that each instance of a form created twice uses its own database); a
// component of another form as "Form.Component".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ascii_text.h"
#include "streams/object_stream.h"

namespace tolvern {

struct DeclaredDatabase {
  std::string name;       // the database name it declares
  std::string component;  // the component's name in its form
};

// A data set of a form and the database name it gives in its DatabaseName.
struct DataSetOfForm {
  std::string component;
  std::string database;
};

// What one form text declares: the name of its root component, its
// database components and its data sets, in the order of the text.
struct DatabasesOfForm {
  std::string form;
  std::vector<DeclaredDatabase> databases;
  std::vector<DataSetOfForm> data_sets{};
};

// Reads the database components of a form text: the objects (inherited ones
// too) of a class for which is_database_class holds that set DatabaseName;
// and its data sets: the objects of a class for which is_data_set_class
// holds that set it. A name is the whole string value, its quoted pieces and
// #nnn codes decoded as a form of charset holds them (DecodeFormString).
DatabasesOfForm FindDatabasesOfForm(
    std::string_view form_text, const std::function<bool(const std::string&)>& is_database_class,
    const std::function<bool(const std::string&)>& is_data_set_class = nullptr,
    FormCharset charset = FormCharset::kAnsi);

// A BDE alias: a database name that data sets of the run give and that no
// database component of the run declares.
struct AliasUse {
  std::string alias;  // as the first data set spells it
  int data_sets = 0;
  std::vector<std::string> forms;  // the root names of the forms that use it, in run order
};

class DatabaseIndex {
 public:
  void Clear();
  // Records what the form at form_path declares. Forms are added in the
  // order of the run: a name that several forms declare is, for the data
  // sets of other forms, the last one's.
  void Add(const std::string& form_path, const DatabasesOfForm& declared);

  // The Connection value of a data set of the form at form_path ("" for
  // none known) whose DatabaseName is name (letter case ignored): the bare
  // component name when its own form declares that name, else
  // "Form.Component"; "" when no form of the run declares it.
  std::string Reference(std::string_view name, const std::string& form_path) const;

  // The aliases of the forms added so far, in the order of first use.
  std::vector<AliasUse> Aliases() const;
  // What the data sets on an alias refer to: "Form.Component", given bare
  // on the form of that name, or "Component", given as it is. Reference
  // gives it for a name that no database declares.
  void BindAlias(const std::string& alias, const std::string& component);
  // Folder mode with project files: the forms (root names) that the project
  // files create or list. A database name that several forms declare binds,
  // for the data sets of other forms, to the last of those forms that holds
  // it, before any other.
  void PreferForms(FoldedSet roots);
  // Whether a project file creates the form: true for any form when the run
  // has no such list.
  bool Created(std::string_view root) const {
    return !prefer_ || preferred_.count(std::string(root));
  }
  // The data sets of the form at form_path.
  std::vector<DataSetOfForm> DataSetsOf(const std::string& form_path) const;
  // The paths of the forms added, in order.
  std::vector<std::string> Paths() const;
  // The forms (root names) whose components the data sets of the form at
  // form_path refer to, as the "Form" of "Form.Component", each once.
  std::vector<std::string> FormsReferredBy(const std::string& form_path) const;
  // The path of the form added whose root component is root; "" for none.
  std::string PathOfForm(std::string_view root) const;

 private:
  struct Form {
    std::string root;  // the form's root component
    std::string path;
    FoldedMap<std::string> databases;  // name: component
    std::vector<DataSetOfForm> data_sets;
  };
  FoldedMap<std::string> run_;                  // name: "Form.Component"
  std::unordered_map<std::string, size_t> at_;  // path: index in forms_
  std::vector<Form> forms_;                     // in the order added
  FoldedMap<std::string> aliases_;              // alias: component
  bool prefer_ = false;
  FoldedSet preferred_;
};

}  // namespace tolvern
