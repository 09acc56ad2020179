#pragma once
// The byte stream of an export dump file: gathered in a buffer of its own,
// handed to stdio a megabyte at a time, every write checked. The first
// failure is kept (its errno) and every later write is dropped, so that a
// failed file can never be finished as if it were whole.
//
// Length markers of the row data, each a little-endian ub2:
//   0xFFFE NULL value, 0xFFFD a value in chunks follows,
//   0x0000 end of the chunks and end of a row, 0xFFFF end of the table data.
// Any other ub2 is the length of the bytes that follow it.

#include <cstdio>
#include <cstring>

#include "base/types.h"

constexpr ub2 DMP_NULL_VALUE = 0xFFFE;
constexpr ub2 DMP_CHUNKED_VALUE = 0xFFFD;
constexpr ub2 DMP_END_OF_CHUNKS = 0x0000;
constexpr ub2 DMP_END_OF_ROW = 0x0000;
constexpr ub2 DMP_END_OF_TABLE = 0xFFFF;
// The longest value or chunk a length field can give without meaning a
// marker.
constexpr ub4 DMP_MAX_VALUE_LEN = 0xFFFC;
// Values of the LONG kind (LONG, LONG RAW and the LOBs written as them) go
// in chunks of at most this many bytes, the size the descriptor announces.
constexpr ub4 DMP_MAX_CHUNK_LEN = 32768;
constexpr size_t DMP_BUFFER_SIZE = 1024 * 1024;
// Refused values are named one by one up to this many per table.
constexpr ub4 DMP_REFUSED_SHOWN = 10;

typedef struct _tag_dmp_writer {
    FILE* fp;
    char path[2 * FILENAME_MAXLEN];
    ub8 written;      // bytes of the file so far, the buffered ones included
    int error;        // errno of the first failed write; 0 while every write went through
    ub2 col_cnt;      // values in every row: the unloadable columns
    ub2 row_values;   // values of the current row written so far
    ub1 chunks_open;  // a value in chunks is being written
    ub1 chunks_taken; // ... in a value slot of the row (not one past its count)
    ub1 chunks_begun; // ... and its 0xFFFD and a first chunk are out
    ub1 chunks_blank; // ... and without chunks it is a blank, not NULL
    ub8 refused;      // values that did not fit the format and went as NULL
    ub4 row_refused;  // of them, in the current row
    const char* refused_column; // the first of the current row
    ub4 refused_len;
    size_t len;       // bytes in `buffer`
    ub1 buffer[DMP_BUFFER_SIZE];
} DMP_WRITER, *PDMP_WRITER;

// A new writer on an open stream (`path` for the messages), or null when
// memory ran out. release_dmp_writer frees it; neither closes the stream.
PDMP_WRITER init_dmp_writer(FILE* fp, const char* path);
void release_dmp_writer(PDMP_WRITER writer);

void put_dmp_bytes_slow(PDMP_WRITER writer, const void* bytes, size_t length);
// Inline: it runs for every value of every row.
inline void put_dmp_bytes(PDMP_WRITER writer, const void* bytes, size_t length)
{
    if (writer->error == 0 && length <= DMP_BUFFER_SIZE - writer->len) {
        memcpy(writer->buffer + writer->len, bytes, length);
        writer->len += length;
        writer->written += length;
    } else {
        put_dmp_bytes_slow(writer, bytes, length);
    }
}
void put_dmp_text(PDMP_WRITER writer, const char* text);
void put_dmp_ub2(PDMP_WRITER writer, ub2 value);
void put_dmp_zeros(PDMP_WRITER writer, size_t count);
// Hands the buffer to stdio and flushes it; FALSE once any write failed.
int flush_dmp_writer(PDMP_WRITER writer);
