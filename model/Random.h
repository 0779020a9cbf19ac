// The program's one random generator. It is seeded from the clock at
// start-up; tests seed it to get repeatable colours.
#pragma once

#include <cstdint>

void SeedRandom(uint64_t seed);
void SeedRandomFromClock();
// A uniform integer in [0, n); 0 when n <= 0.
int64_t RandomInt(int64_t n);
// A uniform double in [0, 1).
double RandomDouble();
