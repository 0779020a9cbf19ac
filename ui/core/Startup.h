// The part of the program's start-up that needs no window: the model lists,
// constants and scene record, the option defaults, the help file's place and
// the scene checks that end every wait.
#pragma once

#include <cstdint>

// `seed` 0 seeds the random generator from the clock; tests pass a fixed one.
void InitCore(uint64_t seed = 0);
