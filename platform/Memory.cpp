#include "platform/Memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr uint64_t Unknown = std::numeric_limits<uint64_t>::max();

uint64_t limitOverride = 0;

// MemAvailable + SwapFree of /proc/meminfo, in bytes.
uint64_t SystemAvailable() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return Unknown;
    uint64_t available = 0, swap = 0;
    bool found = false;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kb = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
            available = kb * 1024;
            found = true;
        } else if (std::sscanf(line, "SwapFree: %llu kB", &kb) == 1) {
            swap = kb * 1024;
        }
    }
    std::fclose(f);
    return found ? available + swap : Unknown;
}

// What a resource limit leaves beyond `used` bytes.
uint64_t Left(int resource, uint64_t used) {
    struct rlimit limit {};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return Unknown;
    const uint64_t cap = static_cast<uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

}  // namespace

uint64_t AvailableMemory() {
    uint64_t bytes = SystemAvailable();
    // The address space and the data of the process (pages of /proc/self/statm).
    unsigned long long size = 0, resident = 0, shared = 0, text = 0, lib = 0, data = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu %llu %llu %llu %llu %llu", &size, &resident, &shared, &text, &lib, &data) != 6)
            size = data = 0;
        std::fclose(f);
    }
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    bytes = std::min(bytes, Left(RLIMIT_AS, size * page));
    bytes = std::min(bytes, Left(RLIMIT_DATA, data * page));
    if (limitOverride != 0) bytes = std::min(bytes, limitOverride);
    return bytes;
}

void SetMemoryLimitOverride(uint64_t bytes) { limitOverride = bytes; }
