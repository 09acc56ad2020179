// The datafile list, "control.txt": one datafile per line, fields separated
// by blanks or tabs, "#" in the first column for a comment:
//   ts#  file#  rfile#  path  [block size [big-file y/n [header offset [blocks]]]]
// The file header read from each file overrides the numbers of its line.

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/file_loader.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "storage/asm_access.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

const char default_control_file[] = "control.txt";

namespace {

constexpr int CONTROL_MIN_FIELDS = 4;
constexpr int CONTROL_MAX_FIELDS = 8;


int leading_decimal_int(const char* text)
{
    ub4 value = leading_decimal_ub4(text);
    return value > (ub4)INT_MAX ? INT_MAX : (int)value;
}

bool is_yes_word(const char* text)
{
    return str_case_equal(text, "y") || str_case_equal(text, "yes") || str_case_equal(text, "true");
}

// Reads one line of at most LINE_MAX_SIZE - 1 characters. A longer line is
// consumed whole and reported as too long rather than split into pieces that
// would be taken for lines of their own.
bool read_control_line(FILE* fp, char* line, bool* too_long)
{
    *too_long = false;
    if (fgets(line, LINE_MAX_SIZE, fp) == nullptr)
        return false;
    size_t len = strlen(line);
    if (len == LINE_MAX_SIZE - 1 && line[len - 1] != '\n') {
        int c;
        while ((c = fgetc(fp)) != EOF && c != '\n')
            *too_long = true;
    }
    return true;
}

// Builds an entry from one line's fields; null for a line in the wrong form.
PDATAFILE_ITEM make_datafile_item(SMALL_LINE_ARRAY fields, int count, int line_no)
{
    if (count < CONTROL_MIN_FIELDS || count > CONTROL_MAX_FIELDS ||
        strlen(fields[3]) >= (size_t)FILENAME_MAXLEN) {
        sp_printf("error at line %d.\n", line_no);
        return nullptr;
    }
    PDATAFILE_ITEM item = (PDATAFILE_ITEM)calloc(1, sizeof(DATAFILE_ITEM));
    if (item == nullptr)
        return nullptr;
    item->ts_no = leading_decimal_int(fields[0]);
    item->file_no = leading_decimal_int(fields[1]);
    item->rfile_no = leading_decimal_int(fields[2]);
    copy_str(item->file_name, sizeof(item->file_name), fields[3]);
    item->block_size = config_data.block_size;
    if (count > 4) {
        int block_size = leading_decimal_int(fields[4]);
        if (is_valid_bs(block_size))
            item->block_size = block_size;
        else
            sp_printf("error at line %d: invalid block size.\n", line_no);
    }
    item->big_file = count > 5 && is_yes_word(fields[5]) ? 1 : 0;
    item->header_offset = count > 6 ? leading_decimal_ub4(fields[6]) : config_data.file_header_offset;
    item->blocks = count > 7 ? leading_decimal_ub4(fields[7]) : 0;
    return item;
}

// The checks made once the file header has had its say.
bool is_acceptable_item(const DATAFILE_ITEM* item, ub4 line_ts_no, int line_no)
{
    // The tablespace number indexes the big-file flags, so neither the line's
    // nor the header's may reach 65536.
    if (line_ts_no >= MAX_TS_COUNT || (ub4)item->ts_no >= MAX_TS_COUNT) {
        sp_printf("tablespace# must be less than %u,error at line %d.\n", MAX_TS_COUNT, line_no);
        return false;
    }
    if (item->file_no == 0 || item->rfile_no == 0) {
        sp_printf("file_no and rfile_no must not be 0,error at line %d.\n", line_no);
        return false;
    }
    if (item->big_file && (ub4)item->rfile_no != BIG_FILE_RFN) {
        sp_printf("RFile# of big tablespace must be equal to %u,incorrect rfile#=%u,error at line %d.\n", BIG_FILE_RFN,
                  (ub4)item->rfile_no, line_no);
        return false;
    }
    return true;
}

void register_item(PDATAFILE_ITEM item, PDATAFILE_ITEM* tail)
{
    if (*tail == nullptr)
        datafile_list = item;
    else
        (*tail)->next = item;
    *tail = item;
    add_hash_item_data(&datafile_fn_hash_table, item, 0);
    add_hash_item_data(&datafile_rfn_hash_table, item, 0);
    if (item->big_file && bigfile_ts_array != nullptr)
        bigfile_ts_array[item->ts_no] = 1;
}

} // namespace

void load_control_file(const char* filename)
{
    FILE* fp = open_text_file(filename);
    if (fp == nullptr) {
        sp_printf("can not open file '%s', error message:%s.\n", filename, strerror(errno));
        return;
    }
    if (bigfile_ts_array != nullptr)
        memset(bigfile_ts_array, 0, MAX_TS_COUNT);
    release_datafile_list();
    init_datafile_list();
    // Cached blocks are keyed by (tablespace, rdba): with a new list the same
    // key may name another file.
    empty_block_buffer_cache(&block_buffer_cache);

    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    PDATAFILE_ITEM tail = nullptr;
    bool too_long;
    for (int line_no = 1; read_control_line(fp, line, &too_long); line_no++) {
        if (line[0] == '#')
            continue;
        if (too_long) {
            sp_printf("error at line %d.\n", line_no);
            continue;
        }
        int count = split_line_small(fields, line);
        if (count == 0)
            continue;
        PDATAFILE_ITEM item = make_datafile_item(fields, count, line_no);
        if (item == nullptr)
            continue;
        ub4 line_ts_no = leading_decimal_ub4(fields[0]);
        if (fill_datafile_item(item) != 0 || !is_acceptable_item(item, line_ts_no, line_no)) {
            close_datafile_item(item);
            free(item);
            continue;
        }
        register_item(item, &tail);
    }
    fclose(fp);
    sp_printf("\n");
    show_datafile_list_info(datafile_list);
    sp_printf("load control file '%s' successful\n", filename);
}

void do_loadctl(LINE_ARRAY tokens, int count)
{
    if (count > 3) {
        sp_printf("\nopen [control filename [asmdisk filename]]\n");
        sp_printf("open default control filename is %s, default asmdisk filename is %s\n", default_control_file,
                  "asmdisk.txt");
        return;
    }
    // The disk groups first: "+" names in the list resolve through them.
    reload_asm_disk_list(count == 3 ? tokens[2] : nullptr);
    load_control_file(count >= 2 ? tokens[1] : default_control_file);
}
