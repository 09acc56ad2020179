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
int copy_by_hand(int out, off_t out_at, int part, off_t size)
{
    char* buffer = (char*)malloc(COPY_CHUNK);
    if (buffer == nullptr)
        return ENOMEM;
    off_t done = 0;
    int err = 0;
    while (done < size && err == 0) {
        size_t want = size - done < (off_t)COPY_CHUNK ? (size_t)(size - done) : COPY_CHUNK;
        ssize_t got = pread(part, buffer, want, done);
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

int copy_part_file(int out, off_t at, int part, off_t length)
{
    // The kernel copies between the files without a trip through this
    // process.
    off_t in_at = 0, out_at = at;
    while (in_at < length) {
        ssize_t n = copy_file_range(part, &in_at, out, &out_at, (size_t)(length - in_at), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            continue;
        if (in_at != 0 || (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
            return n < 0 ? errno : EIO;
        return copy_by_hand(out, at, part, length);
    }
    return 0;
}

off_t get_part_file_size(int part)
{
    // Not by seeking: a worker may share the file's position.
    struct stat st;
    return fstat(part, &st) == 0 ? st.st_size : -1;
}

void print_part_file(int part)
{
    char buffer[65536];
    off_t at = 0;
    for (;;) {
        ssize_t n = pread(part, buffer, sizeof(buffer), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sp_printf("%.*s", (int)n, buffer);
        at += n;
    }
}
