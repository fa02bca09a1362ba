#ifndef BENCHMEMORY_H
#define BENCHMEMORY_H

#include <cstddef>

// Bytes held by the C heap right now (glibc's count of allocated blocks), so
// that the memory a structure takes is the difference around building it.
std::size_t benchHeapInUse();

// Settles the heap (glibc merges the small blocks freed so far), so that a
// timed call does not pay for what was freed before it. Called with the
// timer paused before every timed call, library and bare Qt alike.
void benchSettleHeap();

#endif
