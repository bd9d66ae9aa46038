// A file's text as a person reads it in a diff or a listing: decoded from
// its encoding, a binary form as its form text.
#pragma once

#include <string>

#include "platform/disk.h"

namespace tolvern {

// The display text of the file at path; throws EFOpenError naming it when it
// cannot be read. Text that is not valid in its encoding is given as it is.
std::string DisplayText(Disk& disk, const std::string& path);

}  // namespace tolvern
