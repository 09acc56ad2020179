#pragma once
// Shared set-up for the fuzz targets: quiet standard output and a scratch
// working directory, so targets that load or spool files stay inside it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

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
