#include <cstdlib>
#include <cstring>

#include "asmcmd/asmcmd_module.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "bbed/bbed_module.h"
#include "convert/charset.h"
#include "dict/dict_store.h"
#include "scan/scanned_extent.h"
#include "shell/shell.h"
#include "storage/asm_disk_list.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

int current_module = MODULE_ZEM;

namespace {

void start_up()
{
    current_module = MODULE_ZEM;
    screen_printf("\nZEM:Release %s\n\n", ZEM_RELEASE);
    init_datafile_list();
    init_dict_list();
    init_scanned_data_list();
    init_asmdisk_list();
    init_config_data();
    free(bigfile_ts_array);
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, config_data.block_buffers);

    screen_printf("loading default config.......\n\n");
    load_config(default_config_file);
    screen_printf("loading default asm disk file ......\n\n");
    load_asmdisk_file(default_asmdisk_fn);
    screen_printf("loading default control file ......\n\n");
    load_control_file(default_control_file);
    screen_printf("loading dictionary data......");
    load_all_dict_list();
    screen_printf("done\n\n");
    screen_printf("loading scanned data......");
    load_scanned_data_list();
    screen_printf("done\n\n");
}

void shut_down()
{
    sp_printf("\n");
    release_cmd_context_list();
    clean_resource();
    release_scanned_data_list();
    release_dict_list();
    fflush(stdout);
}

} // namespace

void clean_resource()
{
    release_datafile_list();
    release_asmdisk_list();
    if (fp_spool != nullptr) {
        fclose(fp_spool);
        fp_spool = nullptr;
    }
    clean_iconv();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    bigfile_ts_array = nullptr;
    close_trace_file();
}

int run_zem(FILE* input)
{
    start_up();
    init_cmd_context_list(input);
    for (;;) {
        print_prompt();
        int count = get_cmd_line(cmd_line);
        // The end of the standard input ends the program as "exit" does.
        if (cmd_context_list.header == nullptr)
            break;
        if (count <= 0)
            continue;
        if (!dispatch_cmd(parse_cmd(cmd_line), cmd_line, count))
            break;
    }
    if (current_module == MODULE_BBED)
        clean_bbed_module();
    else if (current_module == MODULE_ASMCMD)
        clean_asmcmd_module();
    current_module = MODULE_ZEM;
    shut_down();
    return 0;
}
