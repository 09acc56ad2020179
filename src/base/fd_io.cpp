#include "base/fd_io.h"

#include <cerrno>
#include <unistd.h>

namespace {

// Calls `read_from(done)` until `length` bytes are in, the end is reached
// (0) or an error other than an interruption comes (-1, errno set).
template <class ReadFrom>
ssize_t read_most_with(size_t length, ReadFrom read_from)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = read_from(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += (size_t)n;
    }
    return (ssize_t)done;
}

} // namespace

ssize_t pread_most(int fd, void* buffer, size_t length, off_t offset)
{
    return read_most_with(length, [&](size_t done) {
        return pread(fd, (char*)buffer + done, length - done, offset + (off_t)done);
    });
}

int pread_exact(int fd, void* buffer, size_t length, off_t offset)
{
    ssize_t n = pread_most(fd, buffer, length, offset);
    if (n < 0)
        return errno;
    return (size_t)n == length ? 0 : EIO;
}

int pwrite_all(int fd, const void* buffer, size_t length, off_t offset)
{
    const char* at = (const char*)buffer;
    size_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd, at + done, length - done, offset + (off_t)done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += (size_t)n;
    }
    return 0;
}

ssize_t read_most(int fd, void* buffer, size_t length)
{
    return read_most_with(length, [&](size_t done) { return read(fd, (char*)buffer + done, length - done); });
}

int write_all(int fd, const void* buffer, size_t length, size_t* written)
{
    const char* at = (const char*)buffer;
    size_t done = 0;
    int error = 0;
    while (done < length) {
        ssize_t n = write(fd, at + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += (size_t)n;
    }
    if (written != nullptr)
        *written = done;
    return error;
}
