#pragma once
// An output file of an unload whose every write is checked. Text is gathered
// in a buffer and handed to stdio in large writes. The first failure (open,
// write, flush or close) is kept with its system error and later writes are
// dropped, so that the command can report the file as failed, never as done.

#include <cstddef>
#include <cstdio>
#include <cstring>

constexpr size_t OUTPUT_PATH_LEN = 1024;

typedef struct _tag_output_file {
    FILE* fp;
    int error;   // errno of the first failure; 0 while every write succeeded
    size_t len;  // bytes gathered in text
    size_t size; // room in text; 0 when every write goes straight to stdio
    char* text;
    char path[OUTPUT_PATH_LEN];
} OUTPUT_FILE, *POUTPUT_FILE;

void init_output_file(POUTPUT_FILE out);
// Opens `path` with the fopen mode, creating its missing parent directories
// as "mkdir -p" would, with a gathering buffer of buffer_size bytes (0 for
// none). TRUE when open; otherwise FALSE with `error` set.
int open_output_file(POUTPUT_FILE out, const char* path, const char* mode, size_t buffer_size);
// Hands the gathered text and stdio's buffer to the system; FALSE (and
// `error` set) when a write failed, now or before.
int flush_output_file(POUTPUT_FILE out);
// Flushes, closes and frees the buffer; returns 0 or the errno of the first
// failure the file ever had.
int close_output_file(POUTPUT_FILE out);
// Gives the gathering buffer room for `size` bytes, its text handed over
// first; FALSE (the buffer as it was) when memory is short.
int resize_output_buffer(POUTPUT_FILE out, size_t size);
// For a writer whose text someone else places: flushes what was handed to
// stdio (not the gathered text), and gives the gathered text, which the
// caller writes itself before anything more is put; the buffer is empty
// afterwards. FALSE when a write failed, now or before.
int take_gathered_text(POUTPUT_FILE out, const char** text, size_t* length);
// Records a failure that happened outside the file's own writes (a rewrite
// of its contents); the first one is kept.
void set_output_error(POUTPUT_FILE out, int error);

void put_output_slow(POUTPUT_FILE out, const void* bytes, size_t length);
// Room for `length` more bytes in the gathering buffer, its text handed to
// stdio first when it has less; FALSE when the buffer cannot hold that many
// or a write failed. A writer then fills text + len itself and adds what it
// wrote to len.
int reserve_output_room_slow(POUTPUT_FILE out, size_t length);
inline int reserve_output_room(POUTPUT_FILE out, size_t length)
{
    if (length <= out->size - out->len && out->error == 0)
        return 1;
    return reserve_output_room_slow(out, length);
}

// The common case inline: once per field of every row.
inline void put_output_bytes(POUTPUT_FILE out, const void* bytes, size_t length)
{
    if (length <= out->size - out->len) {
        memcpy(out->text + out->len, bytes, length);
        out->len += length;
    } else {
        put_output_slow(out, bytes, length);
    }
}

inline void put_output_char(POUTPUT_FILE out, char c)
{
    if (out->len < out->size)
        out->text[out->len++] = c;
    else
        put_output_slow(out, &c, 1);
}

inline void put_output_text(POUTPUT_FILE out, const char* text)
{
    put_output_bytes(out, text, strlen(text));
}

int put_output_printf(POUTPUT_FILE out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Creates every missing directory of `path` (a directory), as "mkdir -p"
// does, with mode 0770. 0 when it exists afterwards, else the errno.
int make_directory_path(const char* path);
// The same for the directory part of a file path ("a/b/c.txt": "a/b").
int make_parent_directories(const char* file_path);
