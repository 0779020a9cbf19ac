// The driver's heap as a test that runs it out of memory asks for it in the
// environment. The driver counts its heap with the operator new of the memory
// tests (tests/readers/memory/CountedHeap.h):
//   MIRELAN_E2E_HEAP_LIMIT=N       an allocation that would take the bytes in
//                                  use beyond N fails, as operator new fails
//                                  when the memory is used up;
//   MIRELAN_E2E_HEAP_LEVELS=FILE   writes to FILE at the end, one per line,
//                                  the bytes in use at each block of 4 KiB or
//                                  more that took them higher than the blocks
//                                  before it: a limit just below each is a
//                                  point where the run runs out of memory.
#pragma once

namespace e2e {

// Reads the two settings; at the start of main.
void LimitHeapAsAsked();
// Writes the levels when they were asked for; at the end of main.
void WriteHeapLevels();

}  // namespace e2e
