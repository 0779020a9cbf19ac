// How much memory the program can still take, so that a reader refuses a
// file that cannot fit before it starts rather than dying half-way: a
// download may unpack to many times its own size.
#pragma once

#include <cstdint>

// The bytes of memory that can still be allocated: the available physical
// memory and swap, less where the process's address-space or data limit
// allows less. UINT64_MAX when nothing is known.
uint64_t AvailableMemory();

// Makes AvailableMemory() return at most `bytes` (tests); 0 ends it.
void SetMemoryLimitOverride(uint64_t bytes);
