#include "tests/readers/memory/CountedHeap.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace memtest {

std::atomic<std::size_t> heapBytes{0}, heapPeak{0}, heapLimit{NoLimit};
bool measuring = false, everyBlock = false;
std::size_t levelBase = 0, levelCount = 0;
std::array<std::size_t, 4096> levels;
std::size_t allocationCount = 0, allocationsLeft = NoLimit;
bool stayFull = false;

}  // namespace memtest

namespace {

using namespace memtest;

// Counts a block from malloc (null when there was no memory).
void* Counted(void* p) {
    const std::size_t now = heapBytes += p ? malloc_usable_size(p) : 0;
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

// A block that keeps the bytes in use within the limit; null past it, and
// for the allocation set to fail.
void* Within(std::size_t n) {
    if (n > heapLimit || heapBytes > heapLimit - n) return nullptr;
    if (allocationsLeft != NoLimit && allocationsLeft-- == 0) {
        allocationsLeft = NoLimit;
        if (stayFull) heapLimit = 0;
        return nullptr;
    }
    if (measuring) ++allocationCount;
    if (measuring && n >= 4096 && heapBytes + n > levelBase && levelCount < levels.size()) {
        const std::size_t level = heapBytes + n - levelBase;
        if (levelCount == 0 || level > levels[levelCount - 1] || (everyBlock && level != levels[levelCount - 1]))
            levels[levelCount++] = level;
    }
    return Counted(std::malloc(n ? n : 1));
}

void* Allocated(std::size_t n) {
    if (void* p = Within(n)) return p;
    throw std::bad_alloc();
}

void Freed(void* p) noexcept {
    if (p) heapBytes -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

// Every form whose blocks another form's delete may free is replaced, so that no
// block goes from the sanitizer's allocator to free() or back; the aligned forms
// stay the library's, all of them: no reader allocates over-aligned data.
void* operator new(std::size_t n) { return Allocated(n); }
void* operator new[](std::size_t n) { return Allocated(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Within(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Within(n); }
void operator delete(void* p) noexcept { Freed(p); }
void operator delete[](void* p) noexcept { Freed(p); }
void operator delete(void* p, std::size_t) noexcept { Freed(p); }
void operator delete[](void* p, std::size_t) noexcept { Freed(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Freed(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Freed(p); }
