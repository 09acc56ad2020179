#pragma once
// Values of the CSV output for PostgreSQL (RFC 4180, UTF-8): the value texts
// of the converters, spelled as PostgreSQL reads them.
//
//   NULL                   an empty field, never quoted; an empty text (what
//                          the converters give for an implausible value) too:
//                          Oracle stores no empty strings
//   NUMBER                 as it is; "~" and "-~" become Infinity, -Infinity
//   BINARY_FLOAT/DOUBLE    "Inf", "-Inf", "Nan" become Infinity, -Infinity, NaN
//   DATE, TIMESTAMP        year -n (Oracle has no year 0: -1 is 1 BC) becomes
//                          "n BC" at the end; February 29 of a Julian leap year
//                          that has no such day in PostgreSQL's proleptic
//                          Gregorian calendar (1500, 1300, ...) becomes March 1
//   TIMESTAMP WITH LOCAL TIME ZONE  the database time zone is appended
//   RAW, LONG RAW, BLOB    bytea in hex: "\x" and the hexadecimal digits
//   character types, CLOB  UTF-8: national text and CLOB text are converted
//                          straight to UTF-8 while the table is written, the
//                          rest from the database character set; a byte that
//                          is no character (and NUL) becomes U+FFFD
// A field holding a comma, a double quote, CR or LF, or the text "\." (the
// end-of-data mark of COPY), is enclosed in double quotes, a double quote in
// it doubled. Records end with CRLF.

#include <iconv.h>
#include <string>

#include "engine/unload_model.h"
#include "output/output_file.h"

typedef struct _tag_csv_values {
    iconv_t to_utf8 = nullptr;  // database character set -> UTF-8; null: taken as UTF-8
    bool ascii_same = true;     // the database character set writes ASCII as ASCII
    bool national_utf8 = false; // cs_iconv gives UTF-8 while the table is written
    bool clob_utf8 = false;     // clob_iconv gives UTF-8 while the table is written
    iconv_t saved_cs_iconv = nullptr;
    iconv_t saved_clob_iconv = nullptr;
    bool swapped = false;
    char db_zone[12] = {}; // " +hh:mm"
    std::string scratch;   // a value's UTF-8 text
} CSV_VALUES, *PCSV_VALUES;

// Opens the converters to UTF-8 and puts the national and CLOB ones in place
// of the usual converters; release_csv_values puts those back.
void init_csv_values(PCSV_VALUES values);
void release_csv_values(PCSV_VALUES values);

// Text in the database character set as valid UTF-8, appended to `out`.
void append_db_text_utf8(PCSV_VALUES values, const char* text, size_t length, std::string* out);
// Bytes that should be UTF-8 already, appended with what is no character
// replaced.
void append_valid_utf8(const char* text, size_t length, std::string* out);

// A converted value of `column` (not NULL) as one CSV field.
void put_csv_value(POUTPUT_FILE out, PCSV_VALUES values, const COLUMN* column, const COL_DATA* col_data);
// The text of a field, enclosed when it must be.
void put_csv_field(POUTPUT_FILE out, const char* text, size_t length);
// The body of a quoted field (enclosure characters doubled), for text that
// arrives in pieces.
void put_csv_quoted_part(POUTPUT_FILE out, const char* text, size_t length);
// Bytes as bytea hexadecimal digits, without the "\x".
void put_hex_digits(POUTPUT_FILE out, const ub1* bytes, size_t length);
// Is the text of this column (national or CLOB) UTF-8 already?
bool is_utf8_column(const CSV_VALUES* values, const COLUMN* column);
