#include "output/table_output.h"

#include "base/config.h"
#include "output/csv_output.h"
#include "output/dmp_output.h"
#include "output/text_output.h"

int begin_unload_table_output(const char* schema, const char* table_name, const char* partition, PTABLE table,
                              PZEM_LIST columns, PUNLOAD_PARAMS params)
{
    if (config_data.output_format == OUTPUT_DMP)
        return begin_unload_table_dmp(schema, table_name, partition, table, columns, params);
    if (config_data.output_format == OUTPUT_CSV)
        return begin_unload_table_csv(schema, table_name, partition, table, columns, params);
    return begin_unload_table_txt(schema, table_name, partition, table, columns, params);
}

void do_unload_table_output(PTABLE table, PUNLOAD_PARAMS params)
{
    if (params->writer != nullptr)
        do_unload_table_dmp(table, params);
    else if (config_data.output_format == OUTPUT_CSV)
        do_unload_table_csv(table, params);
    else
        do_unload_table_txt(table, params);
}

int end_unload_table_output(PUNLOAD_PARAMS params)
{
    if (params->writer != nullptr)
        return end_unload_table_dmp(params);
    if (config_data.output_format == OUTPUT_CSV)
        end_unload_table_csv(params);
    else
        end_unload_table_txt(params);
    // Any of the table's files that could not be written (output_error
    // names it) fails the table.
    return params->output_error == 0;
}
