#pragma once
// Oracle character sets by name and id, with the iconv names the program
// converts through, and the two long-lived converters.

#include <iconv.h>

#include "base/types.h"

constexpr int CHARSET_NAME_LEN = 40;
constexpr int CHARSET_COUNT = 256; // 255 character sets and the terminator

typedef struct _tag_charset_pair {
    char charset_name[CHARSET_NAME_LEN + 1];
    ub4 charset_id;
    char code_name[CHARSET_NAME_LEN + 1];
} charset_pair;

extern const charset_pair charset_list[CHARSET_COUNT];

// national -> database character set, and CLOB -> database character set;
// null when no conversion is possible.
extern iconv_t cs_iconv;
extern iconv_t clob_iconv;

void get_charset_by_name(charset_pair* record, const char* name);
void get_charset_by_id(charset_pair* record, ub4 id);
iconv_t get_iconv(ub4 from_id, ub4 to_id);
void init_iconv();
void clean_iconv();
