// The editor's state, selecting a datafile, block and offset, and show.

#include "bbed/bbed_module.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "shell/shell.h"
#include "storage/block_reader.h"

BBED_ENV bbed_env;

void init_bbed_module()
{
    memset(&bbed_env, 0, sizeof(bbed_env));
    bbed_env.last_found_offset = INVALID_FOUND_OFFSET;
    bbed_env.byte_order = config_data.byte_order;
}

void free_bbed_buffers()
{
    free(bbed_env.block_buffer);
    free(bbed_env.modified_buffer);
    free(bbed_env.saved_buffer);
    bbed_env.block_buffer = nullptr;
    bbed_env.modified_buffer = nullptr;
    bbed_env.saved_buffer = nullptr;
    bbed_env.block_read = 0;
    bbed_env.disk_changed = 0;
}

bool alloc_bbed_buffers()
{
    free_bbed_buffers();
    bbed_env.block_buffer = (ub1*)calloc(bbed_env.block_size, 1);
    bbed_env.modified_buffer = (ub1*)calloc(bbed_env.block_size, 1);
    if (bbed_env.block_buffer == nullptr || bbed_env.modified_buffer == nullptr) {
        free_bbed_buffers();
        return false;
    }
    return true;
}

void clean_bbed_module()
{
    free_bbed_buffers();
    memset(&bbed_env, 0, sizeof(bbed_env));
}

void read_current_block()
{
    if (bbed_env.block_size == 0 || !alloc_bbed_buffers()) {
        sp_printf("Can not allocate memory for block buffer,block size is %u\n", bbed_env.block_size);
        return;
    }
    PDATAFILE_ITEM datafile = bbed_env.datafile_item;
    ub4 rdba = get_datafile_block_rdba(datafile, bbed_env.block_no);
    if (read_blocks(datafile, bbed_env.block_no, 1, bbed_env.block_buffer, rdba) == 1) {
        memcpy(bbed_env.modified_buffer, bbed_env.block_buffer, bbed_env.block_size);
        bbed_env.block_read = 1;
    } else
        memset(bbed_env.block_buffer, 0, bbed_env.block_size);
}

void do_bbed_help(LINE_ARRAY, int)
{
    do_common_cmd_help();
    static const char* const lines[][2] = {
        {"exit", "exit from blockedit module"},
        {"set", "set file,block,offset for edit"},
        {"show", "show enviroment and variables"},
        {"dump", "dump block"},
        {"modify", "modify block data"},
        {"sum", "calculate checksum and write block to file"},
        {"rollback", "rollback the change"},
        {"find", "find hex string"},
        {"verify", "verify the block"},
        {"mark", "mark undo segments corruption"},
        {"clean", "clean free block pool or transaction"},
    };
    for (const auto& line : lines)
        sp_printf("%-9s ----   %s\n", line[0], line[1]);
    sp_printf("\n");
}

void do_bbed_show(LINE_ARRAY, int count)
{
    if (count != 1) {
        show_cmd_format(CMD_BBED_SHOW);
        return;
    }
    PDATAFILE_ITEM datafile = bbed_env.datafile_item;
    sp_printf("\n");
    sp_printf("%-6s%-20s%u\n", "", "FILE#", bbed_env.file_no);
    sp_printf("%-6s%-20s%u\n", "", "BLOCK#", bbed_env.block_no);
    if (datafile != nullptr)
        sp_printf("%-6s%-20s0X%08X (%u,%u)\n", "", "RDBA", get_datafile_block_rdba(datafile, bbed_env.block_no),
                  (ub4)datafile->rfile_no, bbed_env.block_no);
    else
        sp_printf("%-6s%-20s\n", "", "RDBA");
    sp_printf("%-6s%-20s%u\n", "", "BLOCKS", datafile != nullptr ? datafile->blocks : 0u);
    sp_printf("%-6s%-20s%u\n", "", "OFFSET", bbed_env.block_offset);
    sp_printf("%-6s%-20s%u\n", "", "BLOCK_SIZE", (ub4)bbed_env.block_size);
    sp_printf("%-6s%-20s%s\n", "", "FILE_NAME", datafile != nullptr ? datafile->file_name : "");
    sp_printf("%-6s%-20s%s\n", "", "BYTE_ORDER", bbed_env.byte_order != 0 ? "BIG ENDIAN" : "LITTLE ENDIAN");
    sp_printf("\n");
}

void do_bbed_set_datafile(const char* value)
{
    ub4 file_no = 0;
    if (!parse_decimal_ub4(value, &file_no) || file_no == 0 || file_no > 0x7fffffff) {
        sp_printf("Invalidate file#\n\n");
        return;
    }
    PDATAFILE_ITEM datafile = get_datafile_item_fn((int)file_no);
    if (datafile == nullptr) {
        sp_printf("Can not find datafile which file# is %u\n\n", file_no);
        return;
    }
    // Block sizes the editor's 16-bit field and buffers can hold.
    if (datafile->block_size <= 0 || datafile->block_size > (int)UB2_MAX) {
        sp_printf("Invalid block size %d of datafile %u\n\n", datafile->block_size, file_no);
        return;
    }
    bbed_env.file_no = file_no;
    bbed_env.datafile_item = datafile;
    bbed_env.block_no = 1;
    bbed_env.block_offset = 0;
    bbed_env.block_size = (ub2)datafile->block_size;
    bbed_env.last_found_offset = INVALID_FOUND_OFFSET;
    bbed_env.last_find_string[0] = '\0';
    read_current_block();
}

void do_bbed_set_block(const char* value)
{
    if (bbed_env.datafile_item == nullptr) {
        sp_printf("Please set datafile file# first\n\n");
        return;
    }
    ub4 block_no = 0;
    if (!parse_decimal_ub4(value, &block_no)) {
        sp_printf("Invalid number.\n\n");
        return;
    }
    ub4 max_block = bbed_env.datafile_item->blocks;
    if (block_no > max_block) {
        sp_printf("Block# %u can not greater than datafile's max block# %u\n\n", block_no, max_block);
        return;
    }
    bbed_env.block_no = block_no;
    bbed_env.block_offset = 0;
    bbed_env.last_found_offset = INVALID_FOUND_OFFSET;
    read_current_block();
}

void do_bbed_set_offset(const char* value)
{
    if (bbed_env.datafile_item == nullptr) {
        sp_printf("Please set datafile file# first\n\n");
        return;
    }
    ub4 offset = 0;
    if (!base10_16_to_num(value, &offset)) {
        sp_printf("Invalid number.\n\n");
        return;
    }
    if (offset >= bbed_env.block_size) {
        sp_printf("Invalidate block offset,must between 0 and block_size-1\n\n");
        return;
    }
    bbed_env.block_offset = offset;
}

void do_bbed_set(LINE_ARRAY tokens, int count)
{
    if (count != 3) {
        show_cmd_format(CMD_BBED_SET);
        return;
    }
    if (str_case_equal(tokens[1], "datafile"))
        do_bbed_set_datafile(tokens[2]);
    else if (str_case_equal(tokens[1], "block"))
        do_bbed_set_block(tokens[2]);
    else if (str_case_equal(tokens[1], "offset"))
        do_bbed_set_offset(tokens[2]);
    else
        show_cmd_format(CMD_BBED_SET);
}
