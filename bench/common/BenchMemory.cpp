#include "BenchMemory.h"

#include <malloc.h>

std::size_t benchHeapInUse()
{
    return mallinfo2().uordblks;
}
