// This program's own operator new counts the heap: the bytes in use and
// their peak, and it can refuse to go past a limit, throwing std::bad_alloc
// as an allocation does when the memory is used up.
#pragma once

#include <cstddef>
#include <limits>

namespace heap {

std::size_t InUse();
// The most bytes in use since the last ResetPeak.
std::size_t Peak();
void ResetPeak();
// From now on an allocation that would take the bytes in use past `bytes`
// fails with std::bad_alloc (a nothrow one returns null).
void Limit(std::size_t bytes = std::numeric_limits<std::size_t>::max());

}  // namespace heap
