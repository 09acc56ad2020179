#pragma once
// Scalar types and the constants every subsystem shares.

#include <cstddef>
#include <cstdint>

typedef uint8_t ub1;
typedef uint16_t ub2;
typedef uint32_t ub4;
typedef uint64_t ub8;
typedef int16_t sb2;
typedef int32_t sb4;
typedef int64_t sb8;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr ub4 UB1_MAX = 0xff;
constexpr ub4 UB2_MAX = 0xffff;
constexpr ub4 UB4_MAX = 0xffffffffu;

// Byte order of the datafiles; the host is little-endian.
constexpr int BO_LITTLE = 0;
constexpr int BO_BIG = 1;
constexpr int LOCAL_BO = BO_LITTLE;

constexpr int FILENAME_MAXLEN = 260;
constexpr int LINE_MAX_SIZE = 400;
