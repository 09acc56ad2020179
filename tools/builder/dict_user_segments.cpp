// The segments of the user objects in the USERS file: tables, partitions
// and subpartitions with their rows, clusters with the rows of their tables
// grouped under their keys, a truncated table whose old rows stay after its
// header, and header-only segments for indexes (and for the LOBs of tables
// whose LOB values are not written).

#include <map>
#include <stdexcept>

#include "builder/dict_internal.h"

namespace zb {

namespace {

constexpr uint32_t USERS_FIRST_BLOCK = 9;

} // namespace

LogicalRow stored_row(const DictRow& row, const TablePlan& t, size_t from, const std::vector<Cell>* lob_cells)
{
    if (row.values.size() != t.def->columns.size())
        throw std::invalid_argument("a row of " + t.def->name + " with " + std::to_string(row.values.size()) +
                                    " values for " + std::to_string(t.def->columns.size()) + " columns");
    LogicalRow out;
    for (size_t i = from; i < t.order.size(); i++) {
        const DictColumn& c = t.def->columns[t.order[i]];
        const Value& v = row.values[t.order[i]];
        if ((c.type == TY_CLOB || c.type == TY_BLOB) && !v.cell.is_null) {
            size_t k = 0;
            while (k < t.lobs.size() && t.lobs[k].column != t.order[i])
                k++;
            if (lob_cells == nullptr || k >= lob_cells->size())
                throw std::invalid_argument("LOB values are written in plain and partitioned tables only");
            out.cells.push_back((*lob_cells)[k]);
            continue;
        }
        out.cells.push_back(v.cell);
    }
    out.deleted = row.deleted;
    out.migrated = row.migrated;
    // A piece holds at most 255 columns: the first piece takes what is left
    // over, every later one 255.
    uint32_t n = (uint32_t)out.cells.size();
    for (uint32_t cut = n % 255; n > 255 && cut < n; cut += 255)
        if (cut > 0)
            out.cuts.push_back({cut, 0});
    return out;
}

static std::vector<LogicalRow> stored_rows(const std::vector<DictRow>& rows, const TablePlan& t)
{
    std::vector<LogicalRow> out;
    for (const DictRow& row : rows)
        out.push_back(stored_row(row, t));
    return out;
}

Address users_address(const DictionaryDef& def, uint32_t block)
{
    return Address{def.users_ts, def.users_file_no, block};
}

std::string key_of(const TablePlan& t, const std::string& part, const std::string& sub)
{
    std::string key = t.def->owner + "." + t.def->name;
    if (!part.empty())
        key += ":" + part;
    if (!sub.empty())
        key += ":" + sub;
    return key;
}

BuiltSegment built_of(const DictionaryDef& def, uint32_t obj, uint32_t dataobj, const TableSegmentResult& r,
                      uint32_t header_block)
{
    BuiltSegment b;
    b.obj = obj;
    b.dataobj = dataobj;
    b.ts = def.users_ts;
    b.file = def.users_file_no;
    b.block = header_block;
    b.data_blocks = r.below;
    b.rows = r.rows;
    return b;
}

void place_header_only(const DictionaryDef& def, uint32_t obj, const std::string& key, Address* seg,
                       DatafileImage& file, BlockCursor& cursor, BuiltDatabase& built)
{
    uint32_t header = add_header_segment(file, cursor, obj);
    *seg = users_address(def, header);
    BuiltSegment b;
    b.obj = b.dataobj = obj;
    b.ts = def.users_ts;
    b.file = def.users_file_no;
    b.block = header;
    built.objects[key] = b;
}

void place_indexes(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                   BuiltDatabase& built)
{
    std::string owner = t.def->owner + ".";
    for (IndexPlan& ip : t.indexes) {
        if (t.iot && ip.def->type == 4) {
            place_iot_segments(def, t, ip, file, cursor, built);
            continue;
        }
        if (ip.parts.empty())
            place_header_only(def, ip.obj, owner + ip.def->name, &ip.seg, file, cursor, built);
        for (PartPlan& p : ip.parts) {
            if (p.subs.empty())
                place_header_only(def, p.obj, owner + ip.def->name + ":" + p.def->name, &p.seg, file, cursor, built);
            for (PartPlan& s : p.subs)
                place_header_only(def, s.obj, owner + ip.def->name + ":" + p.def->name + ":" + s.def->name, &s.seg,
                                  file, cursor, built);
        }
    }
}

namespace {

// The rows of the cluster's tables under their keys, keys in the order
// they first appear.
std::vector<ClusterGroup> cluster_groups(const ClusterPlan& cp, std::vector<TablePlan*> members)
{
    size_t key_count = cp.def->key.size();
    std::vector<ClusterGroup> groups;
    std::map<std::vector<std::vector<uint8_t>>, size_t> index;
    for (TablePlan* t : members)
        for (const DictRow& row : t->def->rows) {
            if (row.migrated)
                throw std::invalid_argument("clustered rows are not written migrated");
            LogicalRow full = stored_row(row, *t);
            std::vector<Cell> key(full.cells.begin(), full.cells.begin() + (long)key_count);
            std::vector<std::vector<uint8_t>> id;
            for (const Cell& c : key)
                id.push_back(c.is_null ? std::vector<uint8_t>{0xff, 0xff} : c.bytes);
            auto [at, fresh] = index.emplace(id, groups.size());
            if (fresh) {
                ClusterGroup g;
                g.key = key;
                g.tables.resize(cp.def->tables.size());
                groups.push_back(g);
            }
            LogicalRow rest = stored_row(row, *t, key_count);
            groups[at->second].tables[t->tab_no - 1].push_back(rest);
        }
    return groups;
}

void place_cluster(const DictionaryDef& def, UserPlan& plan, ClusterPlan& cp, DatafileImage& file,
                   BlockCursor& cursor, BuiltDatabase& built)
{
    std::vector<TablePlan*> members(cp.def->tables.size(), nullptr);
    for (TablePlan& t : plan.tables)
        if (t.cluster_obj == cp.obj)
            members[t.tab_no - 1] = &t;
    for (TablePlan* t : members)
        if (t == nullptr)
            throw std::invalid_argument("cluster " + cp.def->name + " lists a table that is not described");
    TableSegmentResult r = add_packed_cluster_segment(file, cursor, cp.dataobj, 8, cluster_groups(cp, members),
                                                      (uint32_t)cp.def->tables.size());
    uint32_t header = r.segment.header_rdba & 0x3fffff;
    cp.seg = users_address(def, header);
    built.objects[cp.def->owner + "." + cp.def->name] = built_of(def, cp.obj, cp.dataobj, r, header);
    for (TablePlan* t : members) {
        t->seg = cp.seg;
        built.objects[key_of(*t)] = built_of(def, t->obj, t->dataobj, r, header);
    }
}

// After a truncate the header carries the new data object number, its map
// keeps only the first extent (the others go back to free space) and the
// high-water mark sits right behind it. The blocks after the header and the
// released extents still hold the rows of the old data object.
void place_truncated(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                     BuiltDatabase& built)
{
    std::vector<LogicalRow> stale = stored_rows(t.def->stale_rows, t);
    PackerOptions old;
    old.block_size = file.def().block_size;
    old.order = file.def().order;
    old.object_id = t.stale_dataobj;
    uint32_t blocks = 1 + count_row_blocks(old, stale) + 1;
    std::vector<ExtentBlocks> old_extents = cursor.take(blocks, t.def->extent_blocks);
    TableSegmentLayout shape;
    shape.segment.object_id = t.dataobj;
    shape.segment.extents = {old_extents[0]};
    shape.segment.hwm_extent = 0;
    shape.segment.hwm_block = 1;
    TableSegmentResult r = add_table_segment(file, shape, {});
    std::vector<uint32_t> old_blocks = r.above;
    for (size_t e = 1; e < old_extents.size(); e++)
        for (uint32_t b = 0; b < old_extents[e].length; b++)
            old_blocks.push_back(old_extents[e].first_block + b);
    uint32_t header = shape.segment.extents[0].first_block;
    BuiltSegment b = built_of(def, t.obj, t.dataobj, r, header);
    b.stale_dataobj = t.stale_dataobj;
    size_t next = 0;
    TablePacker packer(
        old, [&]() { return old_blocks.at(next++); },
        [&](uint32_t block_no) { return file.cache_header(6, block_no); },
        [&](uint32_t block_no, const BlockImage& block) {
            file.put(block_no, block);
            b.stale_blocks.push_back(block_no);
        });
    for (const LogicalRow& row : stale)
        b.rows.push_back(packer.add(row));
    packer.finish();
    t.seg = users_address(def, header);
    built.objects[key_of(t)] = b;
}

uint32_t place_rows(const DictionaryDef& def, const TablePlan& t, uint32_t obj, uint32_t dataobj,
                    const std::vector<DictRow>& rows, const std::string& key, DatafileImage& file,
                    BlockCursor& cursor, BuiltDatabase& built)
{
    TableSegmentResult r = t.def->compressed ? add_sized_compressed_segment(file, cursor, dataobj, t.def->header_type,
                                                                            t.def->extent_blocks, stored_rows(rows, t))
                                             : add_sized_table_segment(file, cursor, dataobj, t.def->header_type,
                                                                       t.def->extent_blocks, stored_rows(rows, t));
    uint32_t header = r.segment.header_rdba & 0x3fffff;
    built.objects[key] = built_of(def, obj, dataobj, r, header);
    return header;
}

void place_table(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                 BuiltDatabase& built, uint32_t* next_lob_id)
{
    if (!t.lobs.empty() && !t.def->truncated && !t.iot && !t.def->compressed && t.cluster_obj == 0) {
        place_table_with_lobs(def, t, file, cursor, built, next_lob_id);
        return;
    }
    if (t.def->truncated)
        place_truncated(def, t, file, cursor, built);
    else if (t.parts.empty() && !t.iot && t.cluster_obj == 0)
        t.seg = users_address(def, place_rows(def, t, t.obj, t.dataobj, t.def->rows, key_of(t), file, cursor, built));
    for (PartPlan& p : t.parts) {
        if (p.subs.empty())
            p.seg = users_address(def, place_rows(def, t, p.obj, p.dataobj, p.def->rows, key_of(t, p.def->name),
                                                  file, cursor, built));
        for (PartPlan& s : p.subs)
            s.seg = users_address(def, place_rows(def, t, s.obj, s.dataobj, s.def->rows,
                                                  key_of(t, p.def->name, s.def->name), file, cursor, built));
    }
    place_indexes(def, t, file, cursor, built);
    std::string owner = t.def->owner + ".";
    for (LobPlan& lob : t.lobs) {
        if (lob.frags.empty()) {
            place_header_only(def, lob.lobj, owner + lob.name, &lob.seg, file, cursor, built);
            place_header_only(def, lob.ind_obj, owner + lob.ind_name, &lob.ind_seg, file, cursor, built);
        }
        for (LobFragPlan& f : lob.frags) {
            std::string part = ":";
            part += std::to_string(f.tabfrag_obj);
            place_header_only(def, f.frag_obj, owner + lob.name + part, &f.seg, file, cursor, built);
            place_header_only(def, f.indfrag_obj, owner + lob.ind_name + part, &f.ind_seg, file, cursor, built);
        }
    }
}

} // namespace

std::vector<LogicalRow> table_logical_rows(const std::vector<DictRow>& rows, const TablePlan& t)
{
    return stored_rows(rows, t);
}

uint32_t place_user_segments(const DictionaryDef& def, UserPlan& plan, DatafileImage& file, BuiltDatabase& built)
{
    BlockCursor cursor(USERS_FIRST_BLOCK);
    for (ClusterPlan& cp : plan.clusters)
        place_cluster(def, plan, cp, file, cursor, built);
    uint32_t next_lob_id = 1; // LOB ids are unique in the database
    for (TablePlan& t : plan.tables)
        place_table(def, t, file, cursor, built, &next_lob_id);
    if (cursor.next() > file.def().blocks)
        throw std::length_error("the USERS file is too small for its segments");
    return cursor.next();
}

} // namespace zb
