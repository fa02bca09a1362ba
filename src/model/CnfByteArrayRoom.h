#ifndef CNFBYTEARRAYROOM_H
#define CNFBYTEARRAYROOM_H

#include <QByteArray>

#include <limits>

// The largest size a byte array can take.
constexpr qint64 cnfLargestByteArraySize = std::numeric_limits<int>::max() - 64;

// Fails with bad_alloc when a text of `size` bytes would pass the largest
// byte array, as a byte array of that size fails to grow. The writers count
// sizes wide and check them here before resizing, so that a sum never wraps
// an int around.
inline void cnfCheckByteArraySize(qint64 size)
{
    if (size > cnfLargestByteArraySize)
        qBadAlloc();
}

#endif
