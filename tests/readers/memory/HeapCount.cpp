#include "tests/readers/memory/HeapCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> heapBytes{0}, heapPeak{0};
std::atomic<std::size_t> heapLimit{std::numeric_limits<std::size_t>::max()};

// Counts a block from malloc (null when there was no memory).
void* Counted(void* p) {
    const std::size_t now = heapBytes += p ? malloc_usable_size(p) : 0;
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void* Within(std::size_t n) {
    if (n > heapLimit || heapBytes > heapLimit - n) return nullptr;
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

namespace heap {

std::size_t InUse() { return heapBytes; }
std::size_t Peak() { return heapPeak; }
void ResetPeak() { heapPeak = heapBytes.load(); }
void Limit(std::size_t bytes) { heapLimit = bytes; }

}  // namespace heap

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
