#pragma once
// How a value goes into the delimited text file so that the control file
// loads it back unchanged under SQL*Loader's rules.
//
// A value is written as it is, unless it
//   - holds the delimiter (or ends with bytes that, with the delimiter
//     after them, would show the delimiter earlier),
//   - holds the enclosure character, a carriage return or a line feed,
//   - or begins with a blank, a tab, a form feed or a vertical tab (under
//     OPTIONALLY ENCLOSED BY the loader drops the leading blanks of a field
//     that is not enclosed, and loads an all-blank one as NULL).
// Such a value is enclosed in the enclosure character, each enclosure
// character in it doubled. The enclosure character is '"', or the first of
// '\'', '`', '~', '^', '#', '@', '!', '%', '$' when the delimiter holds it.
//
// Records end with a line feed, the loader's "STR X'0a'", until a value
// holds one. From then on a record ends with the three bytes RS, enclosure
// character, LF (X'1e220a' with '"'); the records already written are
// rewritten to end so too. These bytes cannot occur inside a record: there
// the enclosure character stands alone between two other characters only as
// an opening enclosure (right after the delimiter) or a closing one (right
// before the delimiter or the record end), and RS is never the delimiter's
// last byte (0x1f, 0x1d or 0x1c are taken when it is) nor LF its first.
//
// A table none of whose values needs any of this is written byte for byte
// as without these rules, and its control file says nothing of them.

#include "base/config.h"
#include "base/types.h"
#include "output/output_file.h"

constexpr int RECORD_END_MAX_LEN = 3;

typedef struct _tag_text_fields {
    char delimiter[DELIMITER_MAX_LEN + 1];
    ub1 delimiter_len;
    char enclosure;
    ub1 careful[256]; // bytes that send a value to the full check
    ub1 leading[256]; // bytes that may not begin a value written as it is
    char record_end[RECORD_END_MAX_LEN + 1];
    ub1 record_end_len;
    ub1 enclosed;    // some value was enclosed: the control file must say so
    ub1 line_breaks; // records end with the three-byte terminator
} TEXT_FIELDS, *PTEXT_FIELDS;

void init_text_fields(PTEXT_FIELDS fields, const char* delimiter);

// The full check, for a value the quick one let through.
int text_value_needs_enclosure(const TEXT_FIELDS* fields, const char* data, size_t length);

// Writes a value that needs enclosing. When it holds the first line feed of
// the table, the file written so far is rewritten to the three-byte record
// end first (its buffered text is handed over before).
void put_enclosed_text(POUTPUT_FILE out, PTEXT_FIELDS fields, const char* data, size_t length);

// Inline: the quick look at every value of every row.
inline void put_text_value(POUTPUT_FILE out, PTEXT_FIELDS fields, const char* data, size_t length)
{
    bool care = length > 0 && fields->leading[(ub1)data[0]];
    for (size_t i = 0; i < length && !care; i++)
        care = fields->careful[(ub1)data[i]];
    if (care && text_value_needs_enclosure(fields, data, length))
        put_enclosed_text(out, fields, data, length);
    else
        put_output_bytes(out, data, length);
}

inline void put_record_end(POUTPUT_FILE out, const TEXT_FIELDS* fields)
{
    if (fields->record_end_len == 1)
        put_output_char(out, fields->record_end[0]);
    else
        put_output_bytes(out, fields->record_end, fields->record_end_len);
}

// Rewrites the file in place so that each line feed in it becomes
// `record_end`; the stream stays positioned at the new end. 0 or an errno.
int rewrite_record_ends(FILE* fp, const char* record_end, size_t record_end_len);
