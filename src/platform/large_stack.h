// Runs a function on a private stack of a given size, so that deeply
// recursive work (the grammar engine on deeply nested or very long input) is
// bounded by that size rather than by the caller's thread stack. Exceptions
// thrown by the function reach the caller.
#pragma once

#include <cstddef>
#include <functional>

namespace tolvern {

void RunOnLargeStack(std::size_t bytes, const std::function<void()>& fn);

}  // namespace tolvern
