#include "model/Random.h"

#include <chrono>
#include <random>

namespace {
std::mt19937_64& Generator() {
    static std::mt19937_64 g(0x4d6972656c616e);
    return g;
}
}  // namespace

void SeedRandom(uint64_t seed) { Generator().seed(seed); }

void SeedRandomFromClock() {
    SeedRandom(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

int64_t RandomInt(int64_t n) {
    if (n <= 0) return 0;
    std::uniform_int_distribution<int64_t> d(0, n - 1);
    return d(Generator());
}

double RandomDouble() {
    std::uniform_real_distribution<double> d(0.0, 1.0);
    return d(Generator());
}
