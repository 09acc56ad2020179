#pragma once
// Rowid text forms. An extended rowid is 18 base-64 digits: data object number
// (6), relative file number (3), block number (6), row slot (3), each most
// significant digit first, in the alphabet A-Z a-z 0-9 + /.

#include "base/types.h"

constexpr int EXT_ROWID_STR_LEN = 18;

int decode_base64(const char* text, int digit_count, ub4* value);
void encode_base64(char* text, int digit_count, ub4 value);
int decode_rowid(const char* text, ub4* object, ub2* file, ub4* block, ub2* slot);
// text must hold EXT_ROWID_STR_LEN + 1 characters.
void encode_rowid(char* text, ub4 object, ub4 file, ub4 block, ub4 slot);
void encode_short_rowid(char* text, ub4 file, ub4 block, ub4 slot);
