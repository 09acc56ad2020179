#include "storage/hexdump.h"

#include <cstring>

#include "base/printer.h"
#include "base/str_util.h"
#include "storage/datafile_registry.h"

namespace {


void show_hexdump_usage()
{
    sp_printf("hexdump datafile <file#> block <block#> [offset <offset>]\n");
}

} // namespace

void hex_dump_file(FILE* stream, ub8 position, ub4 offset, ub4 lines)
{
    position += offset;
    if (fseeko(stream, (off_t)position, SEEK_SET) != 0) {
        sp_printf("has already arrivied file end.\n");
        return;
    }
    ub1 bytes[HEX_DUMP_BYTES];
    for (ub4 line = 0; line < lines; line++) {
        size_t n = fread(bytes, 1, sizeof(bytes), stream);
        if (n == 0) {
            // Nothing at all to show: the position lies at or past the end.
            if (line == 0)
                sp_printf("has already arrivied file end.\n");
            break;
        }
        if (line == 0)
            sp_printf("%18c-0--1--2--3--4--5--6--7--8--9--a--b--c--d--e--f-\n", ' ');
        sp_printf("%08x%08x  ", (ub4)(position >> 32), (ub4)position);
        for (size_t i = 0; i < n; i++)
            sp_printf(" %02x", bytes[i]);
        sp_printf("\n");
        position += n;
    }
    clearerr(stream);
}

void do_hexdump(LINE_ARRAY tokens, int count)
{
    ub4 file_no = 0, block_no = 0, offset = 0;
    bool form_ok = (count == 5 || count == 7) && str_case_equal(tokens[1], "datafile") &&
                   str_case_equal(tokens[3], "block") && parse_decimal_ub4(tokens[2], &file_no) &&
                   parse_decimal_ub4(tokens[4], &block_no);
    if (form_ok && count == 7)
        form_ok = str_case_equal(tokens[5], "offset") && parse_decimal_ub4(tokens[6], &offset);
    if (!form_ok || file_no > 0x7fffffff) {
        show_hexdump_usage();
        return;
    }
    PDATAFILE_ITEM item = get_datafile_item_fn((int)file_no);
    if (item == nullptr) {
        sp_printf("file# %d is not exist.\n", (int)file_no);
        return;
    }
    if (item->fp == nullptr) {
        sp_printf("file# %d not opened.\n", (int)file_no);
        return;
    }
    if (block_no == 0)
        block_no = 1;
    offset = offset < HEX_DUMP_BYTES ? 0 : offset / HEX_DUMP_BYTES * HEX_DUMP_BYTES;
    ub4 block_size = (ub4)item->block_size;
    ub4 lines = offset < block_size ? (block_size - offset) / HEX_DUMP_BYTES : 0;
    if (lines > HEX_DUMP_LINES)
        lines = HEX_DUMP_LINES;
    ub8 position = (ub8)item->header_offset + (ub8)block_no * block_size;
    hex_dump_file(item->fp, position, offset, lines);
}
