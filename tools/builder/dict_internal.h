#pragma once
// Shared between the parts of the dictionary builder: the numbering of the
// user objects and where their segments went.

#include <map>
#include <string>
#include <vector>

#include "builder/dict_layouts.h"
#include "builder/dictionary.h"
#include "builder/table_segment.h"

namespace zb {

struct Address {
    uint32_t ts = 0, file = 0, block = 0; // file 0: no segment
};

// One OBJ$ row.
struct ObjEntry {
    uint32_t obj = 0;
    int64_t dataobj = -1; // -1: NULL
    uint32_t owner = 0;
    std::string name, subname;
    uint32_t type = 0;
    uint32_t namespace_no = 1;
};

struct PartPlan {
    const DictPartition* def = nullptr;
    uint32_t obj = 0, dataobj = 0, number = 0;
    Address seg;
    std::vector<PartPlan> subs;
};

struct IndexPlan {
    const DictIndex* def = nullptr;
    uint32_t obj = 0, dataobj = 0;
    Address seg;
    std::vector<PartPlan> parts; // local index: one per table partition, subpartitions likewise
};

// A LOB fragment: the LOB's share of one table partition, or of one
// subpartition (whose parent is then a LOB partition of its own, without a
// segment).
struct LobFragPlan {
    uint32_t frag_obj = 0, tabfrag_obj = 0, indfrag_obj = 0, number = 0;
    uint32_t parent_obj = 0; // 0: the LOB itself
    Address seg, ind_seg;
};

struct LobPlan {
    size_t column = 0;
    uint32_t col_no = 0, intcol_no = 0;
    uint32_t lobj = 0, ind_obj = 0;
    std::string name, ind_name;
    Address seg, ind_seg;
    std::vector<LobFragPlan> frags;
    std::vector<uint32_t> comp_parts; // LOB partitions of a subpartitioned table
};

struct TablePlan {
    const DictTable* def = nullptr;
    uint32_t owner = 0, obj = 0, dataobj = 0;
    Address seg;                // the cluster's segment for a clustered table
    uint32_t cluster_obj = 0, tab_no = 0;
    std::vector<size_t> order;  // segment order
    std::vector<PartPlan> parts;
    std::vector<IndexPlan> indexes;
    std::vector<LobPlan> lobs;
    uint32_t stale_dataobj = 0;
    bool iot = false;
    uint32_t overflow_obj = 0;  // SYS_IOT_OVER_<obj#> of an index-organized table
    Address overflow_seg;
};

struct ClusterPlan {
    const DictCluster* def = nullptr;
    uint32_t owner = 0, obj = 0, dataobj = 0;
    Address seg;
};

struct UserPlan {
    std::vector<DictUser> users;
    std::vector<ClusterPlan> clusters;
    std::vector<TablePlan> tables;
    std::vector<ObjEntry> objects; // every user object
};

// A core dictionary object owned by SYS.
struct SysObject {
    std::string name;
    uint32_t obj = 0;
    uint32_t type = 2;      // 1 index, 2 table, 3 cluster
    std::string cluster;    // a table stored in this cluster
    uint32_t tab_no = 0;
    uint32_t bo = 0;        // an index: the object it indexes
    uint32_t index_type = 1;
    uint32_t dataobj = 0;   // its own, or its cluster's
    Address seg;            // its own, or its cluster's
};

// A dictionary row with the key it is stored under in a cluster (OBJ#,
// BO# or USER#; the first column for a table outside a cluster).
struct KeyedRow {
    uint32_t key = 0;
    NamedRow values;
};

// Rows of USER$, OBJ$, TAB$, COL$, IND$, TABPART$, INDPART$, TABSUBPART$,
// INDSUBPART$, LOB$ and LOBFRAG$, by table name.
using DictContent = std::map<std::string, std::vector<KeyedRow>>;
DictContent dictionary_content(const DictionaryDef& def, const UserPlan& plan, const std::vector<SysObject>& sys);

uint32_t user_id_of(const UserPlan& plan, const std::string& name);
UserPlan plan_user_objects(const DictionaryDef& def);

// Writes the user segments into the USERS file and records their addresses
// in the plan and in `built`. Returns the first block no segment took.
uint32_t place_user_segments(const DictionaryDef& def, UserPlan& plan, DatafileImage& file, BuiltDatabase& built);

// Segment placement shared with the SYSTEM file: blocks handed out in
// order, each segment in extents of `extent_blocks`.
class BlockCursor {
public:
    explicit BlockCursor(uint32_t first) : next_(first) {}
    // Extents holding at least `blocks` blocks (the header included).
    std::vector<ExtentBlocks> take(uint32_t blocks, uint32_t extent_blocks);
    uint32_t next() const { return next_; }

private:
    uint32_t next_;
};

// Data blocks a list of rows fills.
uint32_t count_row_blocks(const PackerOptions& options, const std::vector<LogicalRow>& rows);

// Table segments: the header, the blocks with the rows and one empty block
// below the high-water mark. `*_blocks` says how many blocks that is, the
// writers place it into extents at least that large.
uint32_t table_segment_blocks(const DatafileImage& file, uint8_t header_type, const std::vector<LogicalRow>& rows);
TableSegmentResult write_table_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents,
                                       uint32_t object_id, uint8_t header_type, const std::vector<LogicalRow>& rows);
TableSegmentResult add_sized_table_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                           uint8_t header_type, uint32_t extent_blocks,
                                           const std::vector<LogicalRow>& rows);

// Cluster segments: key groups packed into blocks, as many as fit.
std::vector<std::vector<ClusterGroup>> pack_cluster_groups(const PackerOptions& options,
                                                           const std::vector<ClusterGroup>& groups,
                                                           uint32_t table_count);
uint32_t cluster_segment_blocks(const DatafileImage& file, const std::vector<ClusterGroup>& groups,
                                uint32_t table_count);
TableSegmentResult write_cluster_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents,
                                         uint32_t object_id, const std::vector<ClusterGroup>& groups,
                                         uint32_t table_count);
TableSegmentResult add_packed_cluster_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                              uint32_t extent_blocks, const std::vector<ClusterGroup>& groups,
                                              uint32_t table_count);

// A segment of nothing but its header (indexes and LOB segments here);
// returns the header's block number.
uint32_t write_header_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents, uint32_t object_id);
uint32_t add_header_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id);

// Helpers of the user segment placement (dict_user_segments.cpp).
// A table row in segment order; LOB values take their cells from lob_cells,
// one per LOB of the table (t.lobs order).
LogicalRow stored_row(const DictRow& row, const TablePlan& t, size_t from = 0,
                      const std::vector<Cell>* lob_cells = nullptr);
Address users_address(const DictionaryDef& def, uint32_t block);
std::string key_of(const TablePlan& t, const std::string& part = "", const std::string& sub = "");
BuiltSegment built_of(const DictionaryDef& def, uint32_t obj, uint32_t dataobj, const TableSegmentResult& r,
                      uint32_t header_block);
void place_header_only(const DictionaryDef& def, uint32_t obj, const std::string& key, Address* seg,
                       DatafileImage& file, BlockCursor& cursor, BuiltDatabase& built);
void place_indexes(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                   BuiltDatabase& built);
// A plain or partitioned table with LOB columns: its segments, then the LOB
// segments of every LOB column (or fragment), then its rows, whose LOB
// columns hold what the LOB segments gave them (dict_lob_segments.cpp).
void place_table_with_lobs(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                           BuiltDatabase& built, uint32_t* next_lob_id);

// A table's rows as stored (segment order, pieces cut at 255 columns).
std::vector<LogicalRow> table_logical_rows(const std::vector<DictRow>& rows, const TablePlan& t);
// A basic-compressed table segment sized for its rows.
TableSegmentResult add_sized_compressed_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                                uint8_t header_type, uint32_t extent_blocks,
                                                const std::vector<LogicalRow>& rows);
// The top index segment of an index-organized table holding its rows, and
// its overflow segment; records both in the plan and in `built`.
void place_iot_segments(const DictionaryDef& def, TablePlan& t, IndexPlan& top, DatafileImage& file,
                        BlockCursor& cursor, BuiltDatabase& built);

// The SYSTEM file: core objects, dictionary tables, bootstrap. Returns the
// first block no segment took.
uint32_t write_system_file(const DictionaryDef& def, const UserPlan& plan, DatafileImage& file, BuiltDatabase& built);

} // namespace zb
