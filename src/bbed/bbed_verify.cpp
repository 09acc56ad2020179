// verify: the working copy checked against its place in the file, its tail
// and checksum, and, in data and index blocks, its headers and rows.

#include "base/printer.h"
#include "bbed/bbed_module.h"
#include "blocks/block_verify.h"
#include "shell/shell.h"

void do_bbed_verify(LINE_ARRAY, int count)
{
    if (count != 1) {
        show_cmd_format(CMD_BBED_VERIFY);
        return;
    }
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for verify\n\n");
        return;
    }
    sp_printf("\nBlock Checking: file# %u, block# %u\n", bbed_env.file_no, bbed_env.block_no);
    if (bbed_env.block_no == 0) {
        sp_printf("Os block is not checked.\n\n");
        return;
    }
    ub4 expected = get_datafile_block_rdba(bbed_env.datafile_item, bbed_env.block_no);
    BLOCK_VERIFY v;
    verify_block(bbed_env.modified_buffer, bbed_env.block_size, expected, &v);
    if (!v.format_known)
        sp_printf("  block format is unknown\n");
    if (!v.rdba_ok)
        sp_printf("  block address 0x%08x is not this block's 0x%08x\n", v.rdba, expected);
    if (!v.tail_ok)
        sp_printf("  tail does not match the block header\n");
    if (v.marked_corrupt)
        sp_printf("  block is marked corrupt\n");
    if (!v.checksum_ok)
        sp_printf("  checksum value 0x%04x stored, 0x%04x computed\n", v.stored_checksum, v.computed_checksum);
    if (!v.header_ok)
        sp_printf("  data header or directories lie outside the block\n");
    if (v.bad_rows != 0)
        sp_printf("  %u of %u rows run past the block, the first at offset %u\n", v.bad_rows, v.rows,
                  v.first_bad_row);
    ub4 problems = count_block_problems(&v);
    if (problems == 0)
        sp_printf("Block is consistent.\n\n");
    else
        sp_printf("%u problem(s) found.\n\n", problems);
}
