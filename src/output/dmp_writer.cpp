#include "output/dmp_writer.h"

#include <cerrno>
#include <cstdlib>
#include <cstddef>
#include <cstring>

#include "base/str_util.h"

namespace {

// Writes the buffer out; a short write keeps its errno (ENOSPC on a full
// disk) and stops everything after it.
void drain(PDMP_WRITER writer)
{
    if (writer->len == 0)
        return;
    if (writer->error == 0) {
        errno = 0;
        if (fwrite_unlocked(writer->buffer, 1, writer->len, writer->fp) != writer->len)
            writer->error = errno != 0 ? errno : EIO;
    }
    writer->len = 0;
}

} // namespace

PDMP_WRITER init_dmp_writer(FILE* fp, const char* path)
{
    PDMP_WRITER writer = (PDMP_WRITER)malloc(sizeof(DMP_WRITER));
    if (writer == nullptr)
        return nullptr;
    memset(writer, 0, offsetof(DMP_WRITER, buffer));
    writer->fp = fp;
    copy_str(writer->path, sizeof(writer->path), path);
    return writer;
}

void release_dmp_writer(PDMP_WRITER writer)
{
    free(writer);
}

void put_dmp_bytes_slow(PDMP_WRITER writer, const void* bytes, size_t length)
{
    if (writer->error != 0 || length == 0)
        return;
    writer->written += length;
    const ub1* p = (const ub1*)bytes;
    while (length > 0) {
        if (writer->len == DMP_BUFFER_SIZE) {
            drain(writer);
            if (writer->error != 0)
                return;
        }
        size_t n = DMP_BUFFER_SIZE - writer->len;
        if (n > length)
            n = length;
        memcpy(writer->buffer + writer->len, p, n);
        writer->len += n;
        p += n;
        length -= n;
    }
}

void put_dmp_text(PDMP_WRITER writer, const char* text)
{
    put_dmp_bytes(writer, text, strlen(text));
}

void put_dmp_ub2(PDMP_WRITER writer, ub2 value)
{
    ub1 bytes[2] = {(ub1)value, (ub1)(value >> 8)};
    put_dmp_bytes(writer, bytes, 2);
}

void put_dmp_zeros(PDMP_WRITER writer, size_t count)
{
    static const ub1 zeros[256] = {};
    while (count > 0 && writer->error == 0) {
        size_t n = count < sizeof(zeros) ? count : sizeof(zeros);
        put_dmp_bytes(writer, zeros, n);
        count -= n;
    }
}

int flush_dmp_writer(PDMP_WRITER writer)
{
    drain(writer);
    if (writer->error == 0) {
        errno = 0;
        if (fflush(writer->fp) != 0)
            writer->error = errno != 0 ? errno : EIO;
    }
    return writer->error == 0;
}
