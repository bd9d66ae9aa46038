// Putting a finished output in its place: the output is written under a
// temporary name beside the target and takes the target's name only when
// it is whole, so that a run cut short never leaves half an output there.
#pragma once

#include <string>

namespace tolvern {
class Disk;
}

namespace tolvern::data {

// The temporary name of the output for target.
std::string PartPath(const std::string& target);

// Gives the file at part the name target, replacing what is there; false
// with the reason (naming target) in *error, part then removed.
bool PutInPlace(Disk& disk, const std::string& part, const std::string& target, std::string* error);

}  // namespace tolvern::data
