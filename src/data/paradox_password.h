// Which of the passwords the user gave opens a password-protected Paradox
// table: the one whose check number is the one the table's header keeps. A
// wrong password is told from the right one by that number, so a table is
// never read with a wrong one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolvern::data {

// Whether one of `passwords` (UTF-8) has the check number `check`. Each is
// tried as it is and, where it has letters beyond ASCII, in the table's code
// page too. False, with what to do in *error, when none has it or the build
// cannot decrypt tables.
bool FindParadoxPassword(std::uint32_t check, const std::vector<std::string>& passwords,
                         int code_page, std::string* error);

}  // namespace tolvern::data
