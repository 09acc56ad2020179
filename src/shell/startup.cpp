#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "asmcmd/asmcmd_module.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/run_status.h"
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
    close_spool_file();
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
    int status = ZEM_EXIT_OK;
    for (;;) {
        print_prompt();
        int count = get_cmd_line(cmd_line);
        // The end of the standard input ends the program as "exit" does.
        if (cmd_context_list.header == nullptr)
            break;
        if (count <= 0)
            continue;
        // A command from a file or a pipe that could not write its output
        // makes the exit status tell it; a person at the terminal has read
        // the message.
        bool typed = is_reading_terminal();
        take_output_failure();
        bool go_on = dispatch_cmd(parse_cmd(cmd_line), cmd_line, count);
        if (take_output_failure() && !typed)
            status = ZEM_EXIT_OUTPUT_FAILED;
        if (!go_on)
            break;
    }
    if (current_module == MODULE_BBED)
        clean_bbed_module();
    else if (current_module == MODULE_ASMCMD)
        clean_asmcmd_module();
    current_module = MODULE_ZEM;
    shut_down();
    // The spool is closed last: a copy that did not reach it counts too.
    if (take_output_failure() && !isatty(fileno(input)))
        status = ZEM_EXIT_OUTPUT_FAILED;
    return status;
}
