// Segments of the dictionary's basic-compressed and index-organized tables:
// a compressed table's blocks come from the compressed block encoder; an
// index-organized table's rows live in the segment of its top index (type
// 4), with the columns from iot_overflow_from on in the overflow segment
// SYS_IOT_OVER_<obj#>, a table of the same owner.

#include "builder/compressed_table.h"
#include "builder/dict_internal.h"
#include "builder/iot_segment.h"

namespace zb {

TableSegmentResult add_sized_compressed_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                                uint8_t header_type, uint32_t extent_blocks,
                                                const std::vector<LogicalRow>& rows)
{
    // Sized as the same rows uncompressed: compression only leaves blocks
    // over, which stay empty below the high-water mark.
    TableSegmentLayout shape;
    shape.segment.object_id = object_id;
    shape.segment.header_type = header_type;
    shape.segment.extents = cursor.take(table_segment_blocks(file, header_type, rows), extent_blocks);
    return add_compressed_table_segment(file, shape, rows);
}

void place_iot_segments(const DictionaryDef& def, TablePlan& t, IndexPlan& top, DatafileImage& file,
                        BlockCursor& cursor, BuiltDatabase& built)
{
    const DictTable& table = *t.def;
    std::vector<LogicalRow> rows = table_logical_rows(table.rows, t);
    IotLayout iot;
    iot.key_columns = table.iot_key_columns;
    iot.prefix_columns = table.iot_prefix_columns;
    iot.overflow_from = table.iot_overflow_from;
    // Plenty of room: the rows as a heap table, twice, and a branch block.
    uint32_t blocks = 2 * table_segment_blocks(file, 16, rows) + 2;
    SegmentLayout index;
    index.object_id = top.dataobj;
    index.extents = cursor.take(blocks, table.extent_blocks);
    SegmentLayout overflow;
    if (t.overflow_obj != 0) {
        overflow.object_id = t.overflow_obj;
        overflow.extents = cursor.take(blocks, table.extent_blocks);
    }
    IotSegmentResult r = add_iot_segment(file, index, iot, rows, t.overflow_obj != 0 ? &overflow : nullptr);

    top.seg = Address{def.users_ts, def.users_file_no, index.extents[0].first_block};
    BuiltSegment b;
    b.obj = top.obj;
    b.dataobj = top.dataobj;
    b.ts = def.users_ts;
    b.file = def.users_file_no;
    b.block = top.seg.block;
    b.data_blocks = r.leaves;
    b.rows = r.rows;
    built.objects[table.owner + "." + top.def->name] = b;
    built.objects[table.owner + "." + table.name] = b;
    if (t.overflow_obj != 0) {
        t.overflow_seg = Address{def.users_ts, def.users_file_no, overflow.extents[0].first_block};
        BuiltSegment o;
        o.obj = o.dataobj = t.overflow_obj;
        o.ts = def.users_ts;
        o.file = def.users_file_no;
        o.block = t.overflow_seg.block;
        o.data_blocks = r.overflow.below;
        o.rows = r.overflow_rows;
        built.objects[table.owner + ".SYS_IOT_OVER_" + std::to_string(t.obj)] = o;
    }
}

} // namespace zb
