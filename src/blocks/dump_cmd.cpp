#include "blocks/dump_cmd.h"

#include <vector>

#include "base/printer.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "blocks/block_dump.h"
#include "blocks/file_header.h"
#include "dict/bootstrap.h"
#include "storage/block_reader.h"

namespace {

void show_oradump_usage()
{
    sp_printf("dump datafile <file#> block <block#> [header]\n");
}

bool is_first_file_header(const ub1* buffer, ub4 block_size)
{
    BLOCK_HEADER block_header;
    DATAFILE_HEADER header;
    return get_block_header(buffer, &block_header, block_size) && block_header.block_type == BT_FILE_HEADER &&
           get_datafile_header(buffer, &header, &block_header, block_size) && header.file_no == 1;
}

} // namespace

void ora_dump_block_with_bootstrap(const ub1* buffer, ub4 block_size, int header_only)
{
    ora_dump_block(buffer, block_size, header_only);
    if (!is_first_file_header(buffer, block_size))
        return;
    ub4 rdba = get_bootstrap_rdba();
    if (rdba != 0)
        sp_printf("bootstrap rdba 0x%08x rfile#=%u block#=%u\n", rdba, rdba_file_no(rdba, NO_TS),
                  rdba_block_no(rdba, NO_TS));
}

void ora_dump_file(PDATAFILE_ITEM datafile, ub4 block_no, int header_only)
{
    if (datafile->block_size <= 0)
        return;
    ub4 block_size = (ub4)datafile->block_size;
    std::vector<ub1> buffer(block_size);
    if (read_blocks(datafile, block_no, 1, buffer.data(), get_datafile_block_rdba(datafile, block_no)) != 1)
        return;
    ora_dump_block_with_bootstrap(buffer.data(), block_size, header_only);
}

void do_oradump(LINE_ARRAY tokens, int count)
{
    ub4 file_no = 0;
    ub4 block_no = 0;
    bool form_ok = (count == 5 || count == 6) && str_case_equal(tokens[1], "datafile") &&
                   str_case_equal(tokens[3], "block") && (count == 5 || str_case_equal(tokens[5], "header"));
    if (!form_ok || !parse_decimal_ub4(tokens[2], &file_no) || file_no > 0x7fffffff ||
        !parse_decimal_ub4(tokens[4], &block_no)) {
        show_oradump_usage();
        return;
    }
    PDATAFILE_ITEM datafile = get_datafile_item_fn((int)file_no);
    if (datafile == nullptr) {
        sp_printf("file id %d is not exist.\n", (int)file_no);
        return;
    }
    if (block_no == 0)
        block_no = 1;
    ora_dump_file(datafile, block_no, count == 6);
}
