// Runs a function on a private stack of a given size, so that deeply
// recursive work (the grammar engine on deeply nested or very long input) is
// bounded by that size rather than by the caller's thread stack. Exceptions
// thrown by the function reach the caller.
#pragma once

#include <cstddef>
#include <functional>

namespace tolvern {

// The size the form conversions and the grammar ask for: reserved address
// space, committed only as far as it is used.
inline constexpr std::size_t kLargeStackBytes = std::size_t{1} << 30;

void RunOnLargeStack(std::size_t bytes, const std::function<void()>& fn);

}  // namespace tolvern
