#include "unload/unload_cmd.h"

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "dict/dict_unload.h"
#include "output/file_names.h"
#include "unload/object_unload.h"

namespace {

void print_unload_usage()
{
    sp_printf("unload dict [block <bootstrap block#>]\n");
    sp_printf("unload table <schema.tablename> [object truncate] [partition <partition_name>]\n");
    sp_printf("unload table <schema.tablename> [object scanned] [partition <partition_name>]\n");
    sp_printf("unload table <schema.tablename> object <data_obj_id> [tablespace <ts_no>] \n");
    sp_printf("unload table <schema.tablename> datafile <rfile#> block <block#> [blocks <blocks>] [partition "
              "<partition_name>] \n");
    sp_printf("unload table <schema.tablename> ... parallel <parallel_degree>\n");
    sp_printf("unload object <data_obj_id> [tablespace <ts_no>] [cluster <cluster_no>]  column <type [ type [ "
              "type......]>\n");
    sp_printf("    type: VARCHAR2 VARCHAR CHAR NUMBER SKIP LONG RAW\n");
    sp_printf("          DATE LONG_RAW TIMESTAMP TIMESTAMP_TZ TIMESTAMP_LTZ\n");
    sp_printf("          BINARY_FLOAT BINARY_DOUBLE NVARCHAR2 NCHAR\n");
    sp_printf("          CLOB NCLOB BLOB\n");
    sp_printf("unload object <data_obj_id> [tablespace <ts_no>] [cluster <cluster_no>]  sample\n");
    sp_printf("unload object all [tablespace <ts_no>] sample\n");
    sp_printf("unload user <schema name> parallel <parallel_degree>\n");
}

// table owner.name object ...: truncate / scanned [partition p], or a data
// object number [tablespace n].
bool unload_table_object_form(LINE_ARRAY tokens, int count, int degree)
{
    if (str_case_equal(tokens[4], "truncate") || str_case_equal(tokens[4], "scanned")) {
        if (count == 5)
            return do_unload_table(tokens, count, nullptr, degree) != 0;
        if (str_case_equal(tokens[5], "partition"))
            return do_unload_table(tokens, count, tokens[6], degree) != 0;
        return false;
    }
    ub4 data_object_id = 0;
    if (!parse_decimal_ub4(tokens[4], &data_object_id) || data_object_id == 0)
        return false;
    ub4 ts_no = 0xFFFFFFFFu;
    if (count == 7 && (!str_case_equal(tokens[5], "tablespace") || !parse_decimal_ub4(tokens[6], &ts_no)))
        return false;
    do_unload_truncated_table(tokens, count, data_object_id, ts_no, degree);
    return true;
}

// Every table form may end with "parallel n": its segments are then split
// over n worker processes.
bool unload_table_form(LINE_ARRAY tokens, int count)
{
    int degree = 1;
    if (count >= 5 && str_case_equal(tokens[count - 2], "parallel")) {
        ub4 n = 0;
        if (!parse_decimal_ub4(tokens[count - 1], &n) || n < 1 || n > MAX_PARALLEL_DEGREE) {
            sp_printf("parallel degree must be between 1 and %d\n", MAX_PARALLEL_DEGREE);
            return true;
        }
        degree = (int)n;
        count -= 2;
    }
    if (count == 3)
        return do_unload_table(tokens, count, nullptr, degree) != 0;
    if (count == 5 && str_case_equal(tokens[3], "partition"))
        return do_unload_table(tokens, count, tokens[4], degree) != 0;
    if ((count == 5 || count == 7) && str_case_equal(tokens[3], "object"))
        return unload_table_object_form(tokens, count, degree);
    if ((count == 7 || count == 9 || count == 11) && str_case_equal(tokens[3], "datafile"))
        return do_unload_table(tokens, count, nullptr, degree) != 0;
    return false;
}

} // namespace


void display_unload_rows(ub8 count)
{
    sp_printf("%llu rows unloaded\n", (unsigned long long)count);
}

void do_unload(LINE_ARRAY tokens, int count)
{
    if (count >= 2 && str_case_equal(tokens[1], "dict")) {
        int format = config_data.output_format;
        config_data.output_format = OUTPUT_TEXT;
        int handled = do_unload_dict(tokens, count);
        config_data.output_format = format;
        if (!handled)
            print_unload_usage();
        return;
    }
    if (count >= 2 && str_case_equal(tokens[1], "user") &&
        (count == 3 || (count == 5 && str_case_equal(tokens[3], "parallel")))) {
        // Made once here, told once when it fails; every table then says
        // that its files could not be written.
        create_data_directory();
        do_unload_user(tokens, count);
        return;
    }
    if (count >= 3 && str_case_equal(tokens[1], "table")) {
        create_data_directory();
        if (!unload_table_form(tokens, count))
            print_unload_usage();
        return;
    }
    if (count > 3 && str_case_equal(tokens[1], "object")) {
        if (!do_unload_object(tokens, count))
            print_unload_usage();
        return;
    }
    print_unload_usage();
}
