#include "base/rdba.h"
#include "engine/unload_engine.h"
#include "output/text_output.h"

void do_unload_table_txt(PTABLE table, PUNLOAD_PARAMS params)
{
    UNLOAD_CALLBACKS callbacks = {nullptr, unload_row_to_txt, unload_col_to_txt, nullptr};
    params->table = table;
    if (can_write_whole_rows(table, params))
        callbacks.unload_piece_callback = unload_whole_row_to_txt;
    unload_segment(file_block_rdba(table->file_no, table->block_no), params, &callbacks);
}
