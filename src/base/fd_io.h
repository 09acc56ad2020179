#pragma once
// Positioned reads and writes that go on after short transfers and
// interrupted calls, so callers see only "all of it", "end of file" or an
// errno.

#include <cstddef>
#include <sys/types.h>

// Reads up to `length` bytes at `offset`, stopping early only at the end of
// the file; the count read, or -1 with errno set.
ssize_t pread_most(int fd, void* buffer, size_t length, off_t offset);

// Reads exactly `length` bytes at `offset`: 0, or an errno (EIO when the
// file ends first).
int pread_exact(int fd, void* buffer, size_t length, off_t offset);

// Writes all `length` bytes at `offset`: 0, or an errno (EIO when the
// system writes nothing and gives no reason).
int pwrite_all(int fd, const void* buffer, size_t length, off_t offset);

// Reads up to `length` bytes from a pipe or file, stopping early only at its
// end; the count read, or -1 with errno set.
ssize_t read_most(int fd, void* buffer, size_t length);

// Writes all `length` bytes: 0, or an errno (ENOSPC when the system writes
// nothing and gives no reason). `written`, when given, counts the bytes that
// went out, so that a caller can cut its file back after a failure.
int write_all(int fd, const void* buffer, size_t length, size_t* written = nullptr);
