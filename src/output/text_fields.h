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

#include <sys/types.h>

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
    ub8 enclosure_word; // the enclosure character in every byte
    ub8 delimiter_word; // the delimiter's first byte in every byte
    ub8 filler_word;    // a byte that needs no care, in every byte
    pid_t writer_pid;   // the process that owns the file (a worker writes only a part of it)
    ub1 part_line_break; // a worker met the first line feed and could not rewrite
    ub1 typed_plain;    // texts of numbers, dates, RAW and ROWID never need care
} TEXT_FIELDS, *PTEXT_FIELDS;

void init_text_fields(PTEXT_FIELDS fields, const char* delimiter);

// The full check, for a value the quick one let through.
int text_value_needs_enclosure(const TEXT_FIELDS* fields, const char* data, size_t length);

// Writes a value that needs enclosing. When it holds the first line feed of
// the table, the file written so far is rewritten to the three-byte record
// end first (its buffered text is handed over before).
void put_enclosed_text(POUTPUT_FILE out, PTEXT_FIELDS fields, const char* data, size_t length);

constexpr ub8 EVERY_BYTE = 0x0101010101010101ull;
constexpr ub8 HIGH_BITS = 0x8080808080808080ull;

// Non-zero when a byte of the word is below n (n at most 128).
inline ub8 get_bytes_below(ub8 word, ub8 n)
{
    return (word - EVERY_BYTE * n) & ~word & HIGH_BITS;
}

inline bool has_careful_byte(const TEXT_FIELDS* fields, ub8 word)
{
    return (get_bytes_below(word, 0x0e) | get_bytes_below(word ^ fields->enclosure_word, 1) |
            get_bytes_below(word ^ fields->delimiter_word, 1)) != 0;
}

// The quick look, eight bytes of text at a time (text, not a stored field:
// no byte order): a byte below 0x0e (CR, LF and other controls), the
// enclosure character or the delimiter's first byte sends the value to the
// full check. The last word overlaps the one before it; a value shorter than
// a word is looked at in two overlapping halves, or its three bytes at most
// with filler in the rest.
inline bool may_need_enclosure(const TEXT_FIELDS* fields, const char* data, size_t length)
{
    if (length == 0)
        return false;
    if (fields->leading[(ub1)data[0]])
        return true;
    ub8 word;
    if (length >= sizeof(word)) {
        for (size_t i = 0; i + sizeof(word) < length; i += sizeof(word)) {
            memcpy(&word, data + i, sizeof(word));
            if (has_careful_byte(fields, word))
                return true;
        }
        memcpy(&word, data + length - sizeof(word), sizeof(word));
    } else if (length >= sizeof(ub4)) {
        ub4 head, tail;
        memcpy(&head, data, sizeof(head));
        memcpy(&tail, data + length - sizeof(tail), sizeof(tail));
        word = head | (ub8)tail << 32;
    } else {
        word = (fields->filler_word & ~(ub8)0xffffff) | (ub1)data[0] | (ub8)(ub1)data[length / 2] << 8 |
               (ub8)(ub1)data[length - 1] << 16;
    }
    return has_careful_byte(fields, word);
}

// Inline: once for every value of every row.
inline void put_text_value(POUTPUT_FILE out, PTEXT_FIELDS fields, const char* data, size_t length)
{
    if (may_need_enclosure(fields, data, length) && text_value_needs_enclosure(fields, data, length))
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
