// The configuration loader over arbitrary file contents.
#include <cstdint>

#include "base/config.h"
#include "base/trace.h"
#include "fuzz_support.h"
#include "storage/buffer_cache.h"
#include "support_seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    write_seed("config_loader_fuzz", "basic",
               "block_size 8192\nbyte_order big\ndata_path out\ndelimiter ,\ndb_timezone +8:30\n"
               "client_timezone -3:30\ncharset_name AL32UTF8\nrdba_file_bits 12\ntrace_level 4\n# c\n");
    write_seed("config_loader_fuzz", "bad",
               "block_size 3000\nbyte_order x\ncompatible 99\nlob_switch_dir_rows 1\ntrace.trace_filename t.txt\n");
    fuzz_quiet_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    init_config_data();
    init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, 4);
    FILE* fp = fopen("fuzz_config.txt", "wb");
    if (fp == nullptr)
        return 0;
    fwrite(data, 1, size, fp);
    fclose(fp);
    // Keep the cache small whatever block_buffers the input asks for.
    load_config("fuzz_config.txt");
    release_block_buffer_cache(&block_buffer_cache);
    close_trace_file();
    return 0;
}
