#pragma once
// Readers and writers of on-disk integers. The configured-order variants test
// config_data.byte_order on every call, so a configuration change takes effect
// for every later read; the fixed-order variants serve data whose order does
// not follow the datafile (column values, dump files, ASM metadata).

#include "base/config.h"
#include "base/types.h"

inline ub1 get_ub1(const ub1* buffer, size_t offset) { return buffer[offset]; }

inline ub2 get_ub2_big(const ub1* buffer, size_t offset)
{
    return (ub2)((buffer[offset] << 8) | buffer[offset + 1]);
}

inline ub2 get_ub2_little(const ub1* buffer, size_t offset)
{
    return (ub2)(buffer[offset] | (buffer[offset + 1] << 8));
}

inline ub4 get_ub4_big(const ub1* buffer, size_t offset)
{
    return ((ub4)buffer[offset] << 24) | ((ub4)buffer[offset + 1] << 16) |
           ((ub4)buffer[offset + 2] << 8) | (ub4)buffer[offset + 3];
}

inline ub4 get_ub4_little(const ub1* buffer, size_t offset)
{
    return (ub4)buffer[offset] | ((ub4)buffer[offset + 1] << 8) |
           ((ub4)buffer[offset + 2] << 16) | ((ub4)buffer[offset + 3] << 24);
}

inline ub2 get_ub2(const ub1* buffer, size_t offset)
{
    return config_data.byte_order == BO_BIG ? get_ub2_big(buffer, offset) : get_ub2_little(buffer, offset);
}

inline ub4 get_ub4(const ub1* buffer, size_t offset)
{
    return config_data.byte_order == BO_BIG ? get_ub4_big(buffer, offset) : get_ub4_little(buffer, offset);
}

// The order given by the caller: for code that examines bytes whose order is
// not yet known, or not the configured one.
inline ub2 get_ub2_order(const ub1* buffer, size_t offset, int byte_order)
{
    return byte_order == BO_BIG ? get_ub2_big(buffer, offset) : get_ub2_little(buffer, offset);
}

inline ub4 get_ub4_order(const ub1* buffer, size_t offset, int byte_order)
{
    return byte_order == BO_BIG ? get_ub4_big(buffer, offset) : get_ub4_little(buffer, offset);
}

inline void get_ub8_big(const ub1* buffer, size_t offset, ub8* result)
{
    *result = ((ub8)get_ub4_big(buffer, offset) << 32) | get_ub4_big(buffer, offset + 4);
}

inline void set_ub2_big(ub1* buffer, size_t offset, ub2 value)
{
    buffer[offset] = (ub1)(value >> 8);
    buffer[offset + 1] = (ub1)value;
}

inline void set_ub2_little(ub1* buffer, size_t offset, ub2 value)
{
    buffer[offset] = (ub1)value;
    buffer[offset + 1] = (ub1)(value >> 8);
}

inline void set_ub4_big(ub1* buffer, size_t offset, ub4 value)
{
    buffer[offset] = (ub1)(value >> 24);
    buffer[offset + 1] = (ub1)(value >> 16);
    buffer[offset + 2] = (ub1)(value >> 8);
    buffer[offset + 3] = (ub1)value;
}

inline void set_ub4_little(ub1* buffer, size_t offset, ub4 value)
{
    buffer[offset] = (ub1)value;
    buffer[offset + 1] = (ub1)(value >> 8);
    buffer[offset + 2] = (ub1)(value >> 16);
    buffer[offset + 3] = (ub1)(value >> 24);
}

inline void set_ub2(ub1* buffer, size_t offset, ub2 value)
{
    if (config_data.byte_order == BO_BIG)
        set_ub2_big(buffer, offset, value);
    else
        set_ub2_little(buffer, offset, value);
}

inline void set_ub4(ub1* buffer, size_t offset, ub4 value)
{
    if (config_data.byte_order == BO_BIG)
        set_ub4_big(buffer, offset, value);
    else
        set_ub4_little(buffer, offset, value);
}
