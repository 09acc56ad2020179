#pragma once
// Shared set-up for the fuzz targets: quiet standard output and a scratch
// working directory, so targets that load or spool files stay inside it.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

inline void fuzz_quiet_scratch_dir()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    char pattern[] = "/tmp/zem_fuzz_XXXXXX";
    if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0)
        abort();
}

// Names never leave the scratch directory: path separators become "_".
inline std::string fuzz_local_text(const unsigned char* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    for (char& c : text)
        if (c == '/')
            c = '_';
    return text;
}

// The block an input describes: byte 1 picks the size (1 to 32 KiB), the
// bytes from 2 on are its first bytes, the rest stays zero. The caller has
// checked that there are at least two bytes.
inline std::vector<unsigned char> fuzz_block_bytes(const unsigned char* data, size_t size)
{
    size_t block_size = ((data[1] & 31u) + 1) * 1024;
    std::vector<unsigned char> block(block_size, 0);
    size_t n = size - 2 < block_size ? size - 2 : block_size;
    if (n > 0)
        memcpy(block.data(), data + 2, n);
    return block;
}
