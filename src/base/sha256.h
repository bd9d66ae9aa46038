// SHA-256 of a byte string, as lower-case hex: the content hash that ties a
// file on disk to what a run wrote there. Stable across builds and systems,
// so a record written on one machine is read on another.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

std::string Sha256Hex(std::string_view data);
// The same digest by the code of our own, which Sha256Hex uses where the
// system's crypto library is not there (and falls back to).
std::string Sha256HexPortable(std::string_view data);

}  // namespace tolvern
