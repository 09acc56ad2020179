#include "output/table_writer.h"

#include "base/config.h"
#include "output/csv_output.h"
#include "output/text_output.h"

namespace {

const TABLE_WRITER table_writers[] = {
    {OUTPUT_TEXT, begin_unload_table_txt, do_unload_table_txt, end_unload_table_txt, sync_unload_table_txt},
    {OUTPUT_CSV, begin_unload_table_csv, do_unload_table_csv, end_unload_table_csv, nullptr},
};

} // namespace

const TABLE_WRITER* get_table_writer(int output_format)
{
    for (const TABLE_WRITER& writer : table_writers)
        if (writer.output_format == output_format)
            return &writer;
    return nullptr;
}
