#include "BenchMemory.h"

#include <malloc.h>

std::size_t benchHeapInUse()
{
    return mallinfo2().uordblks;
}

void benchSettleHeap()
{
    malloc_trim(0);
}
