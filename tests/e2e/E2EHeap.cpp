#include "tests/e2e/E2EHeap.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/readers/memory/CountedHeap.h"

namespace e2e {

namespace {

const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

void LimitHeapAsAsked() {
    if (Setting("MIRELAN_E2E_HEAP_LEVELS")) {
        memtest::levelBase = memtest::levelCount = 0;
        memtest::measuring = true;
    }
    if (const char* limit = Setting("MIRELAN_E2E_HEAP_LIMIT")) {
        std::size_t bytes = 0;
        const char* end = limit + std::strlen(limit);
        if (const auto [at, error] = std::from_chars(limit, end, bytes); error == std::errc() && at == end)
            memtest::heapLimit = bytes;
    }
}

void WriteHeapLevels() {
    const char* file = Setting("MIRELAN_E2E_HEAP_LEVELS");
    if (!file) return;
    memtest::measuring = false;
    memtest::heapLimit = memtest::NoLimit;
    if (std::FILE* f = std::fopen(file, "w")) {
        for (std::size_t i = 0; i < memtest::levelCount; ++i) std::fprintf(f, "%zu\n", memtest::levels[i]);
        std::fclose(f);
    }
}

}  // namespace e2e
