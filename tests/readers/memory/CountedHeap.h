// The heap of the memory tests, counted by the test program's own operator
// new (CountedHeap.cpp): the bytes in use, their peak since it was last set,
// and the limit past which an allocation fails as operator new does when the
// memory is used up.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <limits>

namespace memtest {

constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();
extern std::atomic<std::size_t> heapBytes, heapPeak, heapLimit;

// While a step is measured: the growth of the bytes in use beyond
// `levelBase` at each block of 4 KiB or more that takes them higher than the
// blocks before it did; with `everyBlock`, at each such block.
extern bool measuring, everyBlock;
extern std::size_t levelBase, levelCount;
extern std::array<std::size_t, 4096> levels;

// The allocations made while measuring, and how many more succeed before
// one fails (the later ones succeed again, unless `stayFull`: then every
// later one fails as well, until the limit is lifted); NoLimit: none fails.
extern std::size_t allocationCount, allocationsLeft;
extern bool stayFull;

}  // namespace memtest
