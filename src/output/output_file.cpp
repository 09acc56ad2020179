#include "output/output_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "base/str_util.h"
#include "base/types.h"

namespace {

// errno as a write left it; a short write that set none still failed.
int last_error()
{
    return errno != 0 ? errno : EIO;
}

void write_through(POUTPUT_FILE out, const void* bytes, size_t length)
{
    if (out->error != 0 || out->fp == nullptr || length == 0)
        return;
    errno = 0;
    if (fwrite_unlocked(bytes, 1, length, out->fp) != length)
        out->error = last_error();
}

void hand_over(POUTPUT_FILE out)
{
    if (out->len > 0)
        write_through(out, out->text, out->len);
    out->len = 0;
}

} // namespace

void init_output_file(POUTPUT_FILE out)
{
    memset(out, 0, sizeof(*out));
}

int open_output_file(POUTPUT_FILE out, const char* path, const char* mode, size_t buffer_size)
{
    init_output_file(out);
    copy_str(out->path, sizeof(out->path), path);
    out->fp = fopen(path, mode);
    if (out->fp == nullptr && errno == ENOENT) {
        // The data directory (or a LOB directory's parent) is made on demand.
        int made = make_parent_directories(path);
        if (made == 0)
            out->fp = fopen(path, mode);
        else
            errno = made;
    }
    if (out->fp == nullptr) {
        out->error = last_error();
        return FALSE;
    }
    if (buffer_size > 0) {
        out->text = (char*)malloc(buffer_size);
        out->size = out->text != nullptr ? buffer_size : 0;
    }
    return TRUE;
}

void put_output_slow(POUTPUT_FILE out, const void* bytes, size_t length)
{
    if (length == 0)
        return;
    if (length > out->size - out->len) {
        hand_over(out);
        if (length > out->size) {
            write_through(out, bytes, length);
            return;
        }
    }
    memcpy(out->text + out->len, bytes, length);
    out->len += length;
}

int reserve_output_room_slow(POUTPUT_FILE out, size_t length)
{
    if (length > out->size - out->len)
        hand_over(out);
    return out->error == 0 && out->text != nullptr && length <= out->size - out->len;
}

int put_output_printf(POUTPUT_FILE out, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (n < 0)
        return n;
    if ((size_t)n < sizeof(text)) {
        put_output_bytes(out, text, (size_t)n);
        return n;
    }
    std::string long_text((size_t)n + 1, '\0');
    va_start(args, format);
    vsnprintf(long_text.data(), long_text.size(), format, args);
    va_end(args);
    put_output_bytes(out, long_text.data(), (size_t)n);
    return n;
}

int flush_output_file(POUTPUT_FILE out)
{
    hand_over(out);
    if (out->fp != nullptr && out->error == 0) {
        errno = 0;
        if (fflush(out->fp) != 0 || ferror(out->fp))
            out->error = last_error();
    }
    return out->error == 0;
}

int close_output_file(POUTPUT_FILE out)
{
    if (out->fp != nullptr) {
        flush_output_file(out);
        errno = 0;
        if (fclose(out->fp) != 0 && out->error == 0)
            out->error = last_error();
        out->fp = nullptr;
    }
    free(out->text);
    out->text = nullptr;
    out->size = out->len = 0;
    return out->error;
}

int resize_output_buffer(POUTPUT_FILE out, size_t size)
{
    hand_over(out);
    char* text = (char*)realloc(out->text, size);
    if (text == nullptr)
        return FALSE;
    out->text = text;
    out->size = size;
    return TRUE;
}

int take_gathered_text(POUTPUT_FILE out, const char** text, size_t* length)
{
    *text = out->text;
    *length = out->len;
    out->len = 0;
    if (out->fp != nullptr && out->error == 0) {
        errno = 0;
        if (fflush(out->fp) != 0 || ferror(out->fp))
            out->error = last_error();
    }
    return out->error == 0;
}

void set_output_error(POUTPUT_FILE out, int error)
{
    if (out->error == 0)
        out->error = error != 0 ? error : EIO;
}

int make_directory_path(const char* path)
{
    std::string dir(path);
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty())
        return 0;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    // Each missing level from the top down; a level made meanwhile by
    // another process (a parallel worker) is as good as made here.
    for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        std::string level = dir.substr(0, at);
        if (mkdir(level.c_str(), 0770) != 0 && errno != EEXIST)
            return errno;
        if (at == std::string::npos)
            break;
    }
    if (stat(dir.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int make_parent_directories(const char* file_path)
{
    const char* slash = strrchr(file_path, '/');
    if (slash == nullptr || slash == file_path)
        return 0;
    return make_directory_path(std::string(file_path, (size_t)(slash - file_path)).c_str());
}
