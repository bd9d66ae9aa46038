// The version of Tolvern. It is set in one place, the project's VERSION in
// CMakeLists.txt, and shown by `tolvern --version`, in the package names and
// by the wizard.
#pragma once

namespace tolvern {

// The version number alone: "0.1.0".
const char* VersionNumber();

// The program and its version, as `tolvern --version` prints it:
// "tolvern 0.1.0".
const char* VersionLine();

}  // namespace tolvern
