// Dump of index blocks (type 6, kind 2): the index header, then the rows of
// a branch or a leaf block, prefix rows and the data pieces of an
// index-organized table included.

#include "base/byte_order.h"
#include "base/printer.h"
#include "blocks/block_dump.h"
#include "blocks/block_names.h"
#include "blocks/index_rows.h"
#include "blocks/row_dump.h"

namespace {

ub4 usable_end(ub4 block_size)
{
    return block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

// "col %3u; " lines for up to `count` key columns from *pos; FALSE after a
// damage mark. A branch key may end early with TERM.
bool show_index_key_columns(const ub1* buffer, ub4* pos, ub4 end, ub4 count, bool branch)
{
    for (ub4 j = 0; j < count; j++) {
        ub4 at = *pos;
        if (branch && at < end && buffer[at] == INDEX_KEY_TERM) {
            sp_printf("col %3u; TERM\n", j);
            (*pos)++;
            return true;
        }
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_index_key_column(buffer, pos, end, &data, &length, &is_null)) {
            show_dump_damage("key column", at);
            return false;
        }
        sp_printf("col %3u; ", j);
        if (is_null) {
            sp_printf("*NULL*\n");
            continue;
        }
        sp_printf("len %3u; (%u): ", length, length);
        show_hex_bytes(data, length);
        sp_printf("\n");
    }
    return true;
}

void show_index_common(const INDEX_HEADER* ih)
{
    const INDEX_COMMON_HEADER* c = &ih->common;
    sp_printf("kdxcolev %u\n", c->block_level);
    if (c->flag & (INDEX_ROWDEPENDENCIES | INDEX_TFLAG))
        sp_printf("KDXCOLEV Flags = %s%s\n", (c->flag & INDEX_ROWDEPENDENCIES) ? "R " : "",
                  (c->flag & INDEX_TFLAG) ? "T " : "");
    char iot_flags[IOT_FLAGNAME_LEN + 1];
    sp_printf("kdxcolok %u\n", c->itl);
    sp_printf("kdxcoopc 0x%2x: opcode=%u: iot flags=%s is converted=Y\n", c->lock_opcode, c->lock_opcode & KDXOMASK,
              set_iot_flag_name(c->lock_opcode, iot_flags));
    sp_printf("kdxconco %u\n", c->columns_in_key);
    sp_printf("kdxcosdc %u\n", c->split_count);
    sp_printf("kdxconro %u\n", c->row_count);
    sp_printf("kdxcofbo %u=0x%x\n", c->begin_free_space, c->begin_free_space);
    sp_printf("kdxcofeo %u=0x%x\n", c->end_free_space, c->end_free_space);
    sp_printf("kdxcoavs %u\n", c->available_space);
}

// Marks the directory entries (or prefix pairs) the block cannot hold.
void show_cut_directory(const char* what, ub4 first, ub4 entry_size, ub4 fitting, ub4 count)
{
    if (fitting < count)
        show_dump_damage(what, (size_t)first + (size_t)fitting * entry_size);
}

void show_index_branch_rows(const ub1* buffer, const DATABLOCK_HEADER* header, const IOT_LEAF* rows,
                            ub4 block_size)
{
    ub4 end = usable_end(block_size);
    for (ub4 i = 0; i < rows->row_cnt; i++) {
        ub2 entry = get_index_row_entry(buffer, rows, i);
        if (!check_index_row_pos(entry, header, block_size))
            continue;
        ub4 pos = header->data_header_offset + entry;
        sp_printf("row#%u[%u] ", i, entry);
        if (end - pos < INDEX_BRANCH_CHILD_SIZE) {
            sp_printf("\n");
            show_dump_damage("child block address", pos);
            continue;
        }
        ub4 child = get_ub4(buffer, pos);
        sp_printf("dba: %u=0x%x\n", child, child);
        pos += INDEX_BRANCH_CHILD_SIZE;
        show_index_key_columns(buffer, &pos, end, rows->index.common.columns_in_key, true);
    }
    show_cut_directory("row directory entry", rows->row_dir, ROW_DIR_ENTRY_SIZE, rows->row_cnt,
                       rows->index.common.row_count);
}

// Prefix rows come in row order: each covers the rows from the previous
// prefix's limit up to its own. They are shown before the first row they
// cover, as the walk over the rows reaches them.
struct PREFIX_WALK {
    ub4 next = 0;         // next prefix to show
    ub2 previous_limit = 0;
    int current = -1;     // the prefix covering the rows being shown
    ub2 current_limit = 0;
};

void show_prefix_row(const ub1* buffer, const DATABLOCK_HEADER* header, const IOT_LEAF* rows, ub4 p, ub2 entry,
                     ub2 covered, ub4 block_size)
{
    if (!check_index_row_pos(entry, header, block_size))
        return;
    ub4 end = usable_end(block_size);
    ub4 pos = header->data_header_offset + entry;
    sp_printf("prefix row#%u[%u] ", p, entry);
    if (end - pos < INDEX_ROW_HEADER_SIZE) {
        sp_printf("\n");
        show_dump_damage("prefix row header", pos);
        return;
    }
    char flags[INDEX_ROW_FLAGNAME_LEN + 1];
    sp_printf("flag: %s, lock: %u", set_index_row_flag_name(buffer[pos], flags), buffer[pos + 1]);
    sp_printf("\n");
    pos += INDEX_ROW_HEADER_SIZE;
    if (show_index_key_columns(buffer, &pos, end, rows->index.leaf.prefix_col_count, false))
        sp_printf("prc %u\n", covered);
}

// Shows the prefixes whose rows begin at or before `row` (every remaining
// one when `row` is UB4_MAX).
void show_prefixes_through(const ub1* buffer, const DATABLOCK_HEADER* header, const IOT_LEAF* rows, ub4 row,
                           PREFIX_WALK* walk, ub4 block_size)
{
    while (walk->next < rows->prefix_cnt && walk->previous_limit <= row) {
        ub2 entry;
        ub2 limit;
        ub4 p = walk->next;
        get_index_prefix_entry(buffer, rows, p, &entry, &limit);
        ub2 covered = limit >= walk->previous_limit ? (ub2)(limit - walk->previous_limit) : 0;
        show_prefix_row(buffer, header, rows, p, entry, covered, block_size);
        walk->current = (int)p;
        walk->current_limit = limit;
        if (limit > walk->previous_limit)
            walk->previous_limit = limit;
        walk->next++;
    }
}

void show_index_leaf_rows(const ub1* buffer, const DATABLOCK_HEADER* header, const IOT_LEAF* rows,
                          ub4 block_size)
{
    const INDEX_HEADER* ih = &rows->index;
    ub4 end = usable_end(block_size);
    bool prefixed = is_compressed_index(ih->common.lock_opcode);
    PREFIX_WALK walk;
    ub4 own_columns = ih->common.columns_in_key > ih->leaf.prefix_col_count
                          ? (ub4)ih->common.columns_in_key - ih->leaf.prefix_col_count
                          : 0;
    // The data piece of an index-organized row carries a row dependency SCN
    // when the index keeps them.
    DATABLOCK_HEADER piece_header = *header;
    piece_header.kdbh_flag = (ih->common.flag & INDEX_ROWDEPENDENCIES) ? KDBH_FLAG_ROWDEPENDENCIES : 0;
    for (ub4 i = 0; i < rows->row_cnt; i++) {
        ub2 entry = get_index_row_entry(buffer, rows, i);
        show_prefixes_through(buffer, header, rows, i, &walk, block_size);
        if (!check_index_row_pos(entry, header, block_size))
            continue;
        ub4 pos = header->data_header_offset + entry;
        sp_printf("row#%u[%u] ", i, entry);
        if (end - pos < INDEX_ROW_HEADER_SIZE + (ub4)ih->leaf.key_size) {
            sp_printf("\n");
            show_dump_damage("index row header", pos);
            continue;
        }
        char flags[INDEX_ROW_FLAGNAME_LEN + 1];
        sp_printf("flag: %s, lock: %u", set_index_row_flag_name(buffer[pos], flags), buffer[pos + 1]);
        pos += INDEX_ROW_HEADER_SIZE;
        if (ih->leaf.key_size != 0) {
            sp_printf(", data(%u):", ih->leaf.key_size);
            show_hex_bytes(buffer + pos, ih->leaf.key_size);
            pos += ih->leaf.key_size;
        }
        sp_printf("\n");
        if (!show_index_key_columns(buffer, &pos, end, own_columns, false))
            continue;
        if (prefixed && walk.current >= 0 && walk.current_limit > i)
            sp_printf("psno %d\n", walk.current);
        if (is_iot(ih->common.lock_opcode))
            show_row_piece(buffer, pos, block_size, &piece_header);
    }
    show_cut_directory("row directory entry", rows->row_dir, ROW_DIR_ENTRY_SIZE, rows->row_cnt,
                       ih->common.row_count);
    if (!prefixed)
        return;
    show_prefixes_through(buffer, header, rows, UB4_MAX, &walk, block_size);
    if (rows->row_cnt == ih->common.row_count)
        show_cut_directory("prefix directory entry", rows->prefix_dir, 2 * ROW_DIR_ENTRY_SIZE, rows->prefix_cnt,
                           ih->leaf.prefix_row_count);
}

} // namespace

void show_index_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, int header_only)
{
    show_datablock_common_header(buffer, header, block_size);
    sp_printf("\n");
    IOT_LEAF rows;
    if (!get_index_rows(buffer, block_size, header, &rows)) {
        show_dump_damage("index header", header->data_header_offset);
        return;
    }
    const INDEX_HEADER& ih = rows.index;
    bool branch = ih.common.block_level > 0;
    sp_printf(branch ? "Branch block dump:\n" : "Leaf block dump:\n");
    sp_printf("=====================\n");
    show_index_common(&ih);
    if (branch) {
        sp_printf("kdxbrlmc %u=0x%08x\n", ih.branch.left_most_child_block, ih.branch.left_most_child_block);
        sp_printf("kdxbrsno %u\n", ih.branch.last_service_trans);
        sp_printf("kdxbrbksz %u\n", ih.branch.block_size);
        if (!header_only)
            show_index_branch_rows(buffer, header, &rows, block_size);
        return;
    }
    const INDEX_LEAF_HEADER* leaf = &ih.leaf;
    sp_printf("kdxlespl %u\n", leaf->split_holes);
    sp_printf("kdxlende %u\n", leaf->deleted_rows);
    sp_printf("kdxlenxt %u=0x%08x\n", leaf->next_block, leaf->next_block);
    sp_printf("kdxleprv %u=0x%08x\n", leaf->prev_block, leaf->prev_block);
    sp_printf("kdxledsz %u\n", leaf->key_size);
    sp_printf("kdxlecol %u\n", leaf->none_key_columns);
    sp_printf("kdxlebksz %u\n", leaf->block_size);
    if (is_compressed_index(ih.common.lock_opcode)) {
        sp_printf("kdxlepnro %u\n", leaf->prefix_row_count);
        sp_printf("kdxlepnco %u\n", leaf->prefix_col_count);
    }
    if (!header_only)
        show_index_leaf_rows(buffer, header, &rows, block_size);
}
