#pragma once
// Joining the pieces of one value into a buffer of fixed maximum size.

#include <cstdlib>
#include <cstring>

#include "base/types.h"

// Copies at most maximum - used bytes and returns the new used count, never
// above maximum; nothing is copied once the buffer is full.
inline ub4 memcpy_max(ub1* destination, const ub1* source, ub4 count, ub4 used, ub4 maximum)
{
    if (used >= maximum)
        return used;
    ub4 room = maximum - used;
    ub4 n = count < room ? count : room;
    memcpy(destination + used, source, n);
    return used + n;
}

inline void* malloc_max(size_t size, size_t maximum)
{
    return malloc(size < maximum ? size : maximum);
}
