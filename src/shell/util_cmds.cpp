#include "base/printer.h"
#include "base/rdba.h"
#include "base/rowid.h"
#include "base/str_util.h"
#include "base/time_text.h"
#include "convert/charset.h"
#include "shell/shell.h"

void do_rowid(LINE_ARRAY tokens, int count)
{
    if (count != 2) {
        sp_printf("rowid <ROWID>\n");
        return;
    }
    ub4 object, block;
    ub2 file, slot;
    if (decode_rowid(tokens[1], &object, &file, &block, &slot) != 0) {
        sp_printf("invalid rowid\n");
        return;
    }
    sp_printf("Object Number: %u    0x%x\nRelative File Number: %u    0x%x\n", object, object, (ub4)file, (ub4)file);
    sp_printf("Block Number: %u    0x%x\nRow Number: %u   0x%x\n", block, block, (ub4)slot, (ub4)slot);
}

void do_decode_rdba(LINE_ARRAY tokens, int count)
{
    sp_printf("\n");
    if (count != 2) {
        sp_printf("rdba <RDBA>\n\n");
        return;
    }
    ub4 rdba;
    if (!base10_16_to_num(tokens[1], &rdba)) {
        sp_printf("Invalid number.\n\n");
        return;
    }
    sp_printf("  rdba   : 0x%08x=%u\n", rdba, rdba);
    sp_printf("  rfile# : %u\n", rdba_file_no(rdba, NO_TS));
    sp_printf("  block# : %u\n\n", rdba_block_no(rdba, NO_TS));
}

void do_decode_time(LINE_ARRAY tokens, int count)
{
    sp_printf("\n");
    if (count != 2) {
        show_cmd_format(CMD_TIME);
        return;
    }
    ub4 value;
    if (!base10_16_to_num(tokens[1], &value)) {
        sp_printf("Invalid number.\n\n");
        return;
    }
    time_t t = mktime_1988(value);
    if (t == (time_t)-1) {
        sp_printf("time value is invalid.\n\n");
        return;
    }
    char text[TIME_STR_LEN];
    sp_printf("time : %s\n\n", get_time_str(t, text));
}

namespace {

void print_charset_heading()
{
    sp_printf("%-40s%10s\n", "CHARSET_NAME", "CHARSET_ID");
    sp_printf("--------------------------------------- ----------\n");
}


void print_charset(const charset_pair* cs)
{
    sp_printf("%-40s%10u\n", cs->charset_name, cs->charset_id);
}

} // namespace

void do_charset_list(LINE_ARRAY tokens, int count)
{
    if (count == 2 && str_case_equal(tokens[1], "list")) {
        print_charset_heading();
        for (const charset_pair* cs = charset_list; cs->charset_id != 0; cs++)
            print_charset(cs);
        return;
    }
    if (count == 3 && str_case_equal(tokens[1], "name")) {
        charset_pair cs;
        get_charset_by_name(&cs, tokens[2]);
        if (cs.charset_id == 0) {
            sp_printf("charset name '%s' not found\n", tokens[2]);
            return;
        }
        print_charset_heading();
        print_charset(&cs);
        return;
    }
    ub4 id = 0;
    if (count == 3 && str_case_equal(tokens[1], "id") && parse_decimal_ub4(tokens[2], &id) && id > 0) {
        charset_pair cs;
        get_charset_by_id(&cs, id);
        if (cs.charset_id == 0) {
            sp_printf("charset id '%s' not found\n", tokens[2]);
            return;
        }
        print_charset_heading();
        print_charset(&cs);
        return;
    }
    sp_printf("charset list \n");
    sp_printf("charset name <charset name> \n");
    sp_printf("charset id <charset id> --id must greater than 0 \n");
}
