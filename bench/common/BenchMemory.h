#ifndef BENCHMEMORY_H
#define BENCHMEMORY_H

#include <cstddef>

// Bytes held by the C heap right now (glibc's count of allocated blocks), so
// that the memory a structure takes is the difference around building it.
std::size_t benchHeapInUse();

#endif
