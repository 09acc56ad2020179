#pragma once
// Oracle internal type codes (the numbers of COL$.TYPE#) and the largest stored
// length of each fixed-format type.

#include "base/types.h"

constexpr ub1 ORA_NOT_INIT = 0;
constexpr ub1 ORA_VARCHAR2 = 1;
constexpr ub1 ORA_NUMBER = 2;
constexpr ub1 ORA_LONG = 8;
constexpr ub1 ORA_VARCHAR = 9;
constexpr ub1 ORA_DATE = 12;
constexpr ub1 ORA_SYSDATE = 13;
constexpr ub1 ORA_RAW = 23;
constexpr ub1 ORA_LONG_RAW = 24;
constexpr ub1 ORA_ROWID = 69;
constexpr ub1 ORA_CHAR = 96;
constexpr ub1 ORA_BINARY_FLOAT = 100;
constexpr ub1 ORA_BINARY_DOUBLE = 101;
constexpr ub1 ORA_REF = 111;
constexpr ub1 ORA_CLOB = 112;
constexpr ub1 ORA_BLOB = 113;
constexpr ub1 ORA_BFILE = 114;
constexpr ub1 ORA_CFILE = 115;
constexpr ub1 ORA_TIME = 178;
constexpr ub1 ORA_TIME_TZ = 179;
constexpr ub1 ORA_TIMESTAMP = 180;
constexpr ub1 ORA_TIMESTAMP_TZ = 181;
constexpr ub1 ORA_INTERVAL_YM = 182;
constexpr ub1 ORA_INTERVAL_DS = 183;
constexpr ub1 ORA_UROWID = 208;
constexpr ub1 ORA_TIMESTAMP_LTZ = 231;
constexpr ub1 ORA_GUESS = 254; // type not known yet: sampling keeps the raw bytes

constexpr ub4 VARCHAR_MAX_LEN = 4000;
constexpr ub4 RAW_MAX_LEN = 2000;
constexpr ub4 DATE_MAX_LEN = 7;
constexpr ub4 TIMESTAMP_MAX_LEN = 11;
constexpr ub4 TIMESTAMP_TZ_MAX_LEN = 13;
constexpr ub4 NUMBER_MAX_LEN = 22;
constexpr ub4 ROWID_MAX_LEN = 6;
constexpr ub4 ROWID_EXT_MAX_LEN = 10;
constexpr ub4 BINARY_FLOAT_MAX_LEN = 4;
constexpr ub4 BINARY_DOUBLE_MAX_LEN = 8;
constexpr ub4 INTERVAL_YM_LEN = 5;
constexpr ub4 INTERVAL_DS_LEN = 11;
