#include "unload/part_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/printer.h"

namespace {

constexpr size_t COPY_CHUNK = 1 << 20;

// pread/pwrite when the kernel cannot copy between the two files itself.
int copy_by_hand(int out, off_t out_at, int part, off_t from, off_t size)
{
    char* buffer = (char*)malloc(COPY_CHUNK);
    if (buffer == nullptr)
        return ENOMEM;
    off_t done = 0;
    int err = 0;
    while (done < size && err == 0) {
        size_t want = size - done < (off_t)COPY_CHUNK ? (size_t)(size - done) : COPY_CHUNK;
        ssize_t got = pread(part, buffer, want, from + done);
        if (got <= 0) {
            err = got < 0 ? errno : EIO;
            break;
        }
        for (ssize_t put = 0; put < got;) {
            ssize_t n = pwrite(out, buffer + put, (size_t)(got - put), out_at + done + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                err = n < 0 ? errno : EIO;
                break;
            }
            put += n;
        }
        done += got;
    }
    free(buffer);
    return err;
}

} // namespace

int open_part_file(const char* dir)
{
    std::string name = std::string(dir) + "zem_part_XXXXXX";
    int fd = mkstemp(name.data());
    if (fd >= 0)
        unlink(name.c_str());
    return fd;
}

int copy_part_file(int out, off_t at, int part, off_t from, off_t length)
{
    // The kernel copies between the files without a trip through this
    // process.
    off_t in_at = from, out_at = at;
    while (in_at < from + length) {
        ssize_t n = copy_file_range(part, &in_at, out, &out_at, (size_t)(from + length - in_at), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            continue;
        if (in_at != from || (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
            return n < 0 ? errno : EIO;
        return copy_by_hand(out, at, part, from, length);
    }
    return 0;
}

void print_part_file(int part, off_t from, off_t to)
{
    char buffer[65536];
    off_t at = from;
    while (to < 0 || at < to) {
        size_t want = to < 0 || to - at > (off_t)sizeof(buffer) ? sizeof(buffer) : (size_t)(to - at);
        ssize_t n = pread(part, buffer, want, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sp_printf("%.*s", (int)n, buffer);
        at += n;
    }
}
