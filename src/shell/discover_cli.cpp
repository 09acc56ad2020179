// zem --discover: the discover command run once from the command line, with
// the registry, disk list and configuration it needs and nothing else.

#include <cstdio>
#include <cstdlib>

#include "base/config.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "shell/shell.h"
#include "storage/asm_disk_list.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"
#include "storage/discover.h"

int run_zem_discover(int count, char** args)
{
    std::vector<std::string> paths(args, args + count);
    bool force = paths.size() > 1 && str_case_equal(paths.back().c_str(), "force");
    if (force)
        paths.pop_back();
    if (paths.empty()) {
        fprintf(stderr, "usage: zem --discover <directory or file> ... [force]\n");
        return 2;
    }
    init_datafile_list();
    init_asmdisk_list();
    init_config_data();
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, config_data.block_buffers);
    int status = run_discover(paths, force);
    clean_resource();
    fflush(stdout);
    return status;
}
