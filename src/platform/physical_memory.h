// How much memory the machine has, for sizing work that holds whole files.
#pragma once

#include <cstdint>

namespace tolvern {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

}  // namespace tolvern
