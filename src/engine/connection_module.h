// The data module a run creates to hold a connection for each BDE alias that
// a profile maps to a new connection: its unit and its text form, and the
// project file's edit that brings it in (a uses entry, and its creation
// before the first auto-created form that refers to it).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ascii_text.h"

namespace tolvern {

struct ConnectionModuleNames {
  std::string unit;    // NxConnections
  std::string module;  // dmNxConnections: the data module's name
  std::string cls;     // TdmNxConnections

  static ConnectionModuleNames ForUnit(const std::string& unit) {
    return {unit, "dm" + unit, "Tdm" + unit};
  }
};

struct NewConnection {
  std::string name;
  std::string alias;
  // Property names and values as form text writes them, in order.
  std::vector<std::pair<std::string, std::string>> properties;
};

// The unit's text: the data module class with one TNXConnection field per
// connection; uses names the units it needs ("Classes, NXAccess").
std::string ConnectionModuleUnit(const ConnectionModuleNames& names,
                                 const std::vector<NewConnection>& connections,
                                 const std::string& uses, const std::string& eol);
// The data module's text form.
std::string ConnectionModuleForm(const ConnectionModuleNames& names,
                                 const std::vector<NewConnection>& connections,
                                 const std::string& eol);

// What adding the module to a project file did.
struct ProjectEdit {
  std::string text;
  bool uses_added = false;    // the uses clause names the module (now or before)
  bool create_added = false;  // the module is created (now or before)
  // Why the place of the creation needs a look ("" when it is clear).
  std::string warning;
};

// The project text with the module added: "Unit in 'path' {dmUnit:
// TDataModule}" at the end of its uses clause, and its
// Application.CreateForm where every start of the application runs it
// before any form is created: right after Application.Initialize, else
// before the first CreateForm of the main block. Where the project's shape
// leaves that unclear (its first CreateForm inside a branch and no
// Initialize before it) the call goes before the statement of the main
// block that holds that CreateForm, and the warning says so. Each part is
// added only when the text does not have it already; one that has no place
// to go (no uses clause, no main block call) is left out and said so in
// the result.
ProjectEdit AddModuleToProject(std::string_view project_text, const ConnectionModuleNames& names,
                               const std::string& unit_path, const std::string& eol);

// The line end a text uses: that of its first line, CRLF when it has none.
std::string LineEndOf(std::string_view text);

}  // namespace tolvern
