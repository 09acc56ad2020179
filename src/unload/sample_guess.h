#pragma once
// Guessing a column's type from sampled values: the stored bytes of one
// column position over the sampled rows, tested in a fixed order (dates and
// timestamps, rowids, numbers, text of the database character set, national
// text, binary floating point), raw bytes when nothing fits.

#include <cstddef>

#include "base/types.h"

// SAMPLE_MAX_ROWS and SAMPLE_MAX_BLOCKS, the engine's limits, are in
// engine/extent_list.h.
constexpr ub4 SAMPLE_OUTPUT_ROWS = 5;
constexpr float SIMILAR_RATIO_ALL = 0.85f;

typedef struct _tag_sample_column {
    ub1 col_type;     // the guessed Oracle type code
    ub4 max_len;      // longest and shortest non-empty value
    ub4 min_len;
    ub2 scale;
    ub1 charset_form;
} SAMPLE_COLUMN, *PSAMPLE_COLUMN;

// One sampled value: null, or its stored bytes.
typedef struct _tag_sample_value {
    const ub1* data;
    ub4 length;
    ub1 is_null;
} SAMPLE_VALUE;

// What the guess depends on besides the values.
typedef struct _tag_sample_context {
    ub4 charset_id;         // database character set: 871 (UTF8) tests UTF-8, others the GB test
    ub4 ncharset_id;        // 2000 (AL16UTF16) tests UTF-16 national text
    int binary_float_known; // the files are of Oracle 10g or later
} SAMPLE_CONTEXT;

// The context of the loaded configuration and registry: binary floating
// point only when the first registered datafile has a valid header of a
// 10g or later block format.
SAMPLE_CONTEXT get_sample_context();

// Guesses the column from `count` values (nulls and empty values are not
// counted).
void do_sample_column(PSAMPLE_COLUMN column, const SAMPLE_VALUE* values, size_t count,
                      const SAMPLE_CONTEXT* context);
