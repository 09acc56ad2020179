#include "scan/scan_result_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/fd_io.h"
#include "base/str_util.h"

namespace {

// Writes the whole buffer at the end of the file. When a write fails, the
// lines that reached the file whole stay and the file is cut after them.
bool write_buffer(PSCAN_RESULT_FILE file)
{
    size_t done = 0;
    int error = write_all(file->fd, file->buffer, file->used, &done);
    if (error != 0) {
        file->error = error;
        size_t whole = done;
        while (whole > 0 && file->buffer[whole - 1] != '\n')
            whole--;
        if (whole < done && ftruncate(file->fd, (off_t)(file->size + whole)) != 0)
            file->error = errno;
        file->size += whole;
        return false;
    }
    file->size += done;
    file->used = 0;
    return true;
}

} // namespace

int open_scan_result_file(PSCAN_RESULT_FILE file, const char* name, int truncate)
{
    file->fd = -1;
    file->error = 0;
    file->size = 0;
    file->used = 0;
    if (!copy_str(file->name, sizeof(file->name), name)) {
        file->error = ENAMETOOLONG;
        return FALSE;
    }
    int flags = O_WRONLY | O_CREAT | O_APPEND | (truncate ? O_TRUNC : 0);
    file->fd = open(name, flags, 0644);
    if (file->fd < 0) {
        file->error = errno;
        return FALSE;
    }
    struct stat st;
    if (fstat(file->fd, &st) == 0)
        file->size = (ub8)st.st_size;
    return TRUE;
}

int flush_scan_result_file(PSCAN_RESULT_FILE file)
{
    if (file->error != 0 || file->fd < 0)
        return FALSE;
    return file->used == 0 || write_buffer(file) ? TRUE : FALSE;
}

int add_scan_result_line(PSCAN_RESULT_FILE file, const char* line, size_t length)
{
    if (file->error != 0 || file->fd < 0 || length > sizeof(file->buffer))
        return FALSE;
    if (file->used + length > sizeof(file->buffer) && !flush_scan_result_file(file))
        return FALSE;
    memcpy(file->buffer + file->used, line, length);
    file->used += length;
    return TRUE;
}

int close_scan_result_file(PSCAN_RESULT_FILE file)
{
    if (file->fd < 0)
        return file->error == 0 ? TRUE : FALSE;
    flush_scan_result_file(file);
    if (close(file->fd) != 0 && file->error == 0)
        file->error = errno;
    file->fd = -1;
    return file->error == 0 ? TRUE : FALSE;
}
