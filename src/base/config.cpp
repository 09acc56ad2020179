#include "base/config.h"
#include "base/file_loader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/printer.h"
#include "base/splitter.h"
#include "base/str_util.h"
#include "base/trace.h"
#include "convert/charset.h"
#include "storage/buffer_cache.h"

CONFIG_DATA config_data;
const char default_data_delimiter[] = "|";
const char default_config_file[] = "config.txt";

bool is_valid_bs(int block_size)
{
    return block_size >= 1024 && block_size <= 32768 && block_size % 1024 == 0;
}

void init_config_data()
{
    close_trace_file();
    clean_iconv();
    memset(&config_data, 0, sizeof(config_data));
    config_data.charset_id = DEFAULT_CHARSET_ID;
    config_data.ncharset_id = DEFAULT_NCHARSET_ID;
    config_data.clob_charset_id = DEFAULT_CLOB_CHARSET_ID;
    config_data.convert_clob_charset = 1;
    config_data.block_size = DEFAULT_BLOCK_SIZE;
    config_data.byte_order = BO_LITTLE;
    config_data.block_read_count = DEFAULT_BLOCK_READ_COUNT;
    config_data.block_buffers = DEFAULT_BLOCK_BUFFERS;
    config_data.trace_level = TL_NO_TRACE;
    copy_str(config_data.delimiter, sizeof(config_data.delimiter), default_data_delimiter);
    copy_str(config_data.data_path, sizeof(config_data.data_path), "data");
    copy_str(config_data.asmfile_extract_path, sizeof(config_data.asmfile_extract_path), "asmfile");
    config_data.db_timezone_east = 1;
    config_data.client_timezone_east = 1;
    config_data.output_format = OUTPUT_TEXT;
    config_data.clob_byte_order = BO_BIG;
    config_data.lob_storage = LS_INFILE;
    config_data.trim_scanned_blob = 1;
    config_data.lob_switch_dir_rows = DEFAULT_LOB_SWITCH_DIR_ROWS;
    config_data.db_block_checksum = 1;
    config_data.db_block_checking = 1;
    config_data.rdba_file_bits = 10;
    config_data.rdba_block_bits = 22;
    config_data.compatible = 10;
    config_data.disk_scan_unit = (ub2)DEFAULT_BLOCK_SIZE;
    init_iconv();
}

namespace {

bool parse_unsigned(const char* text, int* value)
{
    if (*text == '\0' || strlen(text) > 6)
        return false;
    for (const char* p = text; *p; p++)
        if (*p < '0' || *p > '9')
            return false;
    *value = atoi(text);
    return true;
}

// A yes/no key; an invalid value prints the message and takes the fallback.
void set_yes_no(int* field, const char* value, const char* invalid_format, int fallback)
{
    if (str_case_equal(value, "yes"))
        *field = 1;
    else if (str_case_equal(value, "no"))
        *field = 0;
    else {
        sp_printf(invalid_format, value);
        *field = fallback;
    }
}

// Paths get a trailing "/"; values that would not fit with it are refused
// rather than cut, so output never lands in a truncated directory name.
void set_path(char* field, const char* value, int line_no)
{
    size_t len = strlen(value);
    bool slash = len > 0 && value[len - 1] == '/';
    if (len + (slash ? 0 : 1) >= (size_t)PATH_FIELD_LEN) {
        sp_printf("error at line %d: path longer than %d characters, ignored.\n", line_no, PATH_FIELD_LEN - 2);
        return;
    }
    copy_str(field, PATH_FIELD_LEN, value);
    if (!slash)
        strcat(field, "/");
}

void set_bounded_number(ub2* field, const char* value, int line_no, int low, int high, const char* what)
{
    int v = atoi(value);
    if (v >= low && v <= high) {
        *field = (ub2)v;
        return;
    }
    sp_printf("error at line %d: invaid %s\xA3\xACwill use %u.\n", line_no, what, 10u);
    *field = 10;
}

void apply_config_line(const char* key, const char* value, int line_no)
{
    CONFIG_DATA* c = &config_data;
    if (str_case_equal(key, "charset_id"))
        c->charset_id = (ub4)atoi(value);
    else if (str_case_equal(key, "block_size")) {
        int bs = atoi(value);
        if (is_valid_bs(bs))
            c->block_size = bs;
        else {
            sp_printf("error at line %d: invaid block size.\n", line_no);
            c->block_size = 8192;
        }
    } else if (str_case_equal(key, "byte_order")) {
        if (str_case_equal(value, "big"))
            c->byte_order = BO_BIG;
        else if (str_case_equal(value, "little"))
            c->byte_order = BO_LITTLE;
        else {
            sp_printf("byte_order '%s' is invalid,will use default byte_order 'LITTLE'.\n", value);
            c->byte_order = BO_LITTLE;
        }
    } else if (str_case_equal(key, "clob_byte_order")) {
        if (str_case_equal(value, "big"))
            c->clob_byte_order = BO_BIG;
        else if (str_case_equal(value, "little"))
            c->clob_byte_order = BO_LITTLE;
        else {
            sp_printf("clob_byte_order '%s' is invalid,will use default clob_byte_order 'BIG'.\n", value);
            c->clob_byte_order = BO_BIG;
        }
    } else if (str_case_equal(key, "file_header_offset"))
        c->file_header_offset = (ub4)atoi(value);
    else if (str_case_equal(key, "block_read_count"))
        c->block_read_count = atoi(value);
    else if (str_case_equal(key, "block_buffers"))
        c->block_buffers = (ub4)atoi(value);
    else if (str_case_equal(key, "data_path"))
        set_path(c->data_path, value, line_no);
    else if (str_case_equal(key, "lob_path"))
        set_path(c->lob_path, value, line_no);
    else if (str_case_equal(key, "asmfile_extract_path"))
        set_path(c->asmfile_extract_path, value, line_no);
    else if (str_case_equal(key, "iconv_code_name")) {
        if (strlen(value) >= sizeof(c->iconv_code_name))
            sp_printf("error at line %d: iconv_code_name longer than %d characters, ignored.\n", line_no,
                      (int)sizeof(c->iconv_code_name) - 1);
        else
            copy_str(c->iconv_code_name, sizeof(c->iconv_code_name), value);
    } else if (str_case_equal(key, "delimiter")) {
        if (strlen(value) >= sizeof(c->delimiter))
            sp_printf("error at line %d: delimiter longer than %d characters, ignored.\n", line_no,
                      DELIMITER_MAX_LEN - 1);
        else
            copy_str(c->delimiter, sizeof(c->delimiter), value);
    } else if (str_case_equal(key, "db_timezone")) {
        if (!str_to_timezone(value, &c->db_timezone_hour, &c->db_timezone_min, &c->db_timezone_east)) {
            sp_printf("Invalid db timezone:%s\n", value);
            c->db_timezone_east = 1;
            c->db_timezone_hour = 0;
            c->db_timezone_min = 0;
        }
    } else if (str_case_equal(key, "client_timezone")) {
        if (!str_to_timezone(value, &c->client_timezone_hour, &c->client_timezone_min, &c->client_timezone_east)) {
            sp_printf("Invalid client timezone:%s\n", value);
            c->client_timezone_east = c->db_timezone_east;
            c->client_timezone_hour = c->db_timezone_hour;
            c->client_timezone_min = c->db_timezone_min;
        }
    } else if (str_case_equal(key, "trace_level")) {
        int level = atoi(value);
        c->trace_level = level >= TL_NO_TRACE && level <= TL_DETAIL ? level : TL_NO_TRACE;
    } else if (str_case_equal(key, "max_rows"))
        c->max_rows = (ub8)(sb8)atoi(value);
    else if (str_case_equal(key, "charset_name")) {
        charset_pair cs;
        get_charset_by_name(&cs, value);
        if (cs.charset_id == 0) {
            sp_printf("charset name '%s' not found,will use default charset ZHS16GBK\n", value);
            c->charset_id = DEFAULT_CHARSET_ID;
        } else
            c->charset_id = cs.charset_id;
    } else if (str_case_equal(key, "ncharset_name")) {
        charset_pair cs;
        get_charset_by_name(&cs, value);
        if (cs.charset_id == 0) {
            sp_printf("charset name '%s' not found,will use default ncharset AL16UTF16\n", value);
            c->ncharset_id = DEFAULT_NCHARSET_ID;
        } else
            c->ncharset_id = cs.charset_id;
    } else if (str_case_equal(key, "lob_storage")) {
        if (str_case_equal(value, "infile"))
            c->lob_storage = LS_INFILE;
        else if (str_case_equal(value, "file"))
            c->lob_storage = LS_FILE;
        else if (str_case_equal(value, "none"))
            c->lob_storage = LS_NONE;
        else {
            sp_printf("lob_storage '%s' is invalid,will use default lob storage 'INFILE'.\n", value);
            c->lob_storage = LS_INFILE;
        }
    } else if (str_case_equal(key, "output_format")) {
        if (str_case_equal(value, "text"))
            c->output_format = OUTPUT_TEXT;
        else if (str_case_equal(value, "dmp"))
            c->output_format = OUTPUT_DMP;
        else if (str_case_equal(value, "csv"))
            c->output_format = OUTPUT_CSV;
        else {
            sp_printf("output format '%s' is invalid,will use default output format 'text'.\n", value);
            c->output_format = OUTPUT_TEXT;
        }
    } else if (str_case_equal(key, "fix_interleaved_block"))
        set_yes_no(&c->fix_interleaved_block, value,
                   "fix interleaved block '%s' is invalid,will use default value 'no'.\n", 0);
    else if (str_case_equal(key, "unload_deleted"))
        set_yes_no(&c->unload_deleted, value,
                   "unload deleted rows option  '%s' is invalid,will use default value 'no'.\n", 0);
    else if (str_case_equal(key, "is_tru64"))
        set_yes_no(&c->is_tru64, value, "is_tru64 '%s' is invalid,will use default value 'no'.\n", 0);
    else if (str_case_equal(key, "record_row_addr"))
        set_yes_no(&c->record_row_addr, value, "record_row_addr '%s' is invalid,will use default value 'no'.\n", 0);
    else if (str_case_equal(key, "db_block_checksum")) {
        int v;
        set_yes_no(&v, value, "db_block_checksum '%s' is invalid,will use default value 'yes'.\n", 1);
        c->db_block_checksum = (ub1)v;
    } else if (str_case_equal(key, "db_block_checking")) {
        int v;
        set_yes_no(&v, value, "db_block_checking '%s' is invalid,will use default value 'yes'.\n", 1);
        c->db_block_checking = (ub1)v;
    } else if (str_case_equal(key, "use_scanned_lob"))
        set_yes_no(&c->use_scanned_lob, value, "use_scanned_lob '%s' is invalid,will use default value 'no'.\n", 0);
    else if (str_case_equal(key, "use_scanned_extent")) {
        int v;
        set_yes_no(&v, value, "use_scanned_extent '%s' is invalid,will use default value 'no'.\n", 0);
        c->use_scanned_extent = (ub1)v;
    } else if (str_case_equal(key, "trim_scanned_blob"))
        set_yes_no(&c->trim_scanned_blob, value, "trim_scanned_blob '%s' is invalid,will use default value 'yes'.\n",
                   1);
    else if (str_case_equal(key, "convert_clob_charset"))
        set_yes_no(&c->convert_clob_charset, value,
                   "convert_clob_charset '%s' is invalid,will use default value 'yes'.\n", 1);
    else if (str_case_equal(key, "lob_switch_dir_rows")) {
        long long v = atoll(value);
        if (v >= (long long)MIN_LOB_SWITCH_DIR_ROWS)
            c->lob_switch_dir_rows = (ub8)v;
        else {
            sp_printf("error at line %d: invaid lob_switch_dir_rows\xA3\xACwill use %u.\n", line_no,
                      (unsigned)MIN_LOB_SWITCH_DIR_ROWS);
            c->lob_switch_dir_rows = MIN_LOB_SWITCH_DIR_ROWS;
        }
    } else if (str_case_equal(key, "disk_scan_unit"))
        c->disk_scan_unit = (ub2)atoi(value);
    else if (str_case_equal(key, "rdba_file_bits")) {
        set_bounded_number(&c->rdba_file_bits, value, line_no, 1, 31, "rdba_file_bits");
        c->rdba_block_bits = (ub2)(32 - c->rdba_file_bits);
    } else if (str_case_equal(key, "compatible"))
        set_bounded_number(&c->compatible, value, line_no, 7, 12, "compatible");
    else if (str_case_equal(key, "trace.trace_filename")) {
        TRACE_CONFIG* tc = &c->trace_config;
        if (strlen(value) >= sizeof(tc->trace_filename)) {
            sp_printf("error at line %d: trace file name longer than %d characters, ignored.\n", line_no,
                      (int)sizeof(tc->trace_filename) - 1);
            return;
        }
        copy_str(tc->trace_filename, sizeof(tc->trace_filename), value);
        close_trace_file();
        tc->fp = fopen(tc->trace_filename, "w+");
        if (tc->fp == nullptr)
            sp_printf("can not open trace file,filename:  '%s',error message:%s\n", tc->trace_filename,
                      strerror(errno));
    } else if (str_case_equal(key, "trace.build_hash_table"))
        c->trace_config.build_hash_table = (ub1)atoi(value);
    else if (str_case_equal(key, "trace.trace_asm"))
        c->trace_config.trace_asm = (ub1)atoi(value);
    else
        sp_printf("error at line %d.\n", line_no);
}

} // namespace

void load_config(const char* filename)
{
    FILE* fp = open_text_file(filename);
    if (fp == nullptr) {
        sp_printf("can not open file '%s', error message:%s.\n", filename, strerror(errno));
        return;
    }
    clean_iconv();
    close_trace_file();
    memset(&config_data.trace_config, 0, sizeof(config_data.trace_config));
    config_data.disk_scan_unit = 0;

    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    int line_no = 0;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        line_no++;
        sp_printf("%s", line);
        if (line[0] == '#')
            continue;
        int n = split_line_small(fields, line);
        if (n == 0)
            continue;
        if (n != 2) {
            sp_printf("error at line %d.\n", line_no);
            continue;
        }
        apply_config_line(fields[0], fields[1], line_no);
    }
    fclose(fp);
    if (config_data.disk_scan_unit == 0)
        config_data.disk_scan_unit = (ub2)config_data.block_size;
    sp_printf("load config file '%s' successful\n", filename);
    open_trace_file();
    init_iconv();
    rebuild_block_buffer_cache_if_changed();
}

int str_to_timezone(const char* text, int* hour, int* minute, int* east)
{
    char trimmed[LINE_MAX_SIZE];
    if (strlen(text) >= sizeof(trimmed))
        return 0;
    trim_str(text, trimmed);
    int is_east;
    if (trimmed[0] == '+')
        is_east = 1;
    else if (trimmed[0] == '-')
        is_east = 0;
    else
        return 0;
    static SMALL_LINE_ARRAY parts;
    if (split_line_delimiter_small(parts, trimmed + 1, ":") != 2)
        return 0;
    int h, m;
    if (!parse_unsigned(parts[0], &h) || !parse_unsigned(parts[1], &m))
        return 0;
    if (h > (is_east ? MAX_TIMEZONE : MIN_TIMEZONE) || m >= 60)
        return 0;
    *hour = h;
    *minute = m;
    *east = is_east;
    return 1;
}
