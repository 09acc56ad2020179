#pragma once
// Seeds written into the corpus directory named by ZEM_FUZZ_MAKE_SEEDS, when
// the runner asks for them.

#include <cstdio>
#include <cstdlib>
#include <string>

inline void write_seed(const char* /*target*/, const char* name, const std::string& bytes)
{
    const char* dir = getenv("ZEM_FUZZ_MAKE_SEEDS");
    if (dir == nullptr)
        return;
    std::string path = std::string(dir) + "/seed_" + name;
    FILE* fp = fopen(path.c_str(), "wb");
    if (fp == nullptr)
        return;
    fwrite(bytes.data(), 1, bytes.size(), fp);
    fclose(fp);
}
