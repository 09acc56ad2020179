// Tables with LOB columns. A LOB column's bytes in a row depend on where its
// LOB segment puts the value, so the table's segments are sized first (the
// row bytes' length does not depend on the addresses), the LOB segments of
// every LOB column, or of every fragment of it, come next, and the rows are
// written last. In the file this keeps the usual order: the table's
// segments, its indexes, its LOB segments.

#include <stdexcept>

#include "builder/dict_internal.h"

namespace zb {

namespace {

// One segment of the table: the whole table, or one (sub)partition.
struct TableJob {
    const std::vector<DictRow>* rows = nullptr;
    uint32_t obj = 0, dataobj = 0;
    std::string key, part, sub;
    Address* seg = nullptr;
    std::vector<ExtentBlocks> extents;
    std::vector<std::vector<Cell>> lob_cells; // per row, one per LOB of the table
};

LobContent content_of(const DictColumn& c, const Value& v)
{
    LobContent content;
    if (c.type == TY_BLOB) {
        content.bytes.assign(v.lob_data.begin(), v.lob_data.end());
        return content;
    }
    // National character set CLOBs are UCS-2, big-endian, always.
    ClobForm form = c.charset_form == 2 ? ClobForm::ucs2_big : c.lob.clob_form;
    content.bytes = clob_bytes(v.lob_data, form);
    content.two_byte = form != ClobForm::single_byte;
    return content;
}

// The values of LOB k in the job's rows; `which` gets their row numbers.
std::vector<LobContent> job_values(const TablePlan& t, size_t k, const TableJob& job, std::vector<size_t>* which)
{
    const DictColumn& c = t.def->columns[t.lobs[k].column];
    std::vector<LobContent> values;
    for (size_t r = 0; r < job.rows->size(); r++) {
        const DictRow& row = (*job.rows)[r];
        if (row.values.size() != t.def->columns.size())
            throw std::invalid_argument("a row of " + t.def->name + " with the wrong number of values");
        const Value& v = row.values[t.lobs[k].column];
        if (v.cell.is_null)
            continue;
        if (!v.is_lob)
            throw std::invalid_argument("a LOB column of " + t.def->name + " given a value that is no LOB");
        values.push_back(content_of(c, v));
        which->push_back(r);
    }
    return values;
}

std::vector<TableJob> table_jobs(TablePlan& t)
{
    std::vector<TableJob> jobs;
    if (t.parts.empty())
        jobs.push_back({&t.def->rows, t.obj, t.dataobj, key_of(t), "", "", &t.seg, {}, {}});
    for (PartPlan& p : t.parts) {
        if (p.subs.empty())
            jobs.push_back({&p.def->rows, p.obj, p.dataobj, key_of(t, p.def->name), p.def->name, "", &p.seg, {}, {}});
        for (PartPlan& s : p.subs)
            jobs.push_back({&s.def->rows, s.obj, s.dataobj, key_of(t, p.def->name, s.def->name), p.def->name,
                            s.def->name, &s.seg, {}, {}});
    }
    for (TableJob& job : jobs)
        job.lob_cells.assign(job.rows->size(), std::vector<Cell>(t.lobs.size(), null_cell()));
    return jobs;
}

std::vector<LogicalRow> job_rows(const TablePlan& t, const TableJob& job)
{
    std::vector<LogicalRow> rows;
    for (size_t r = 0; r < job.rows->size(); r++)
        rows.push_back(stored_row((*job.rows)[r], t, 0, &job.lob_cells[r]));
    return rows;
}

LobSegmentDef lob_def(const TablePlan& t, size_t k, size_t job)
{
    const LobPlan& lob = t.lobs[k];
    LobSegmentDef d;
    d.storage = t.def->columns[lob.column].lob;
    d.data_object = lob.frags.empty() ? lob.lobj : lob.frags.at(job).frag_obj;
    d.index_object = lob.frags.empty() ? lob.ind_obj : lob.frags.at(job).indfrag_obj;
    return d;
}

void record_lob(const DictionaryDef& def, const TablePlan& t, size_t k, const TableJob& job, const LobSegmentDef& d,
                const LobSegmentResult& placed, BuiltDatabase& built)
{
    const LobPlan& lob = t.lobs[k];
    std::string owner = t.def->owner + ".";
    std::string frag = lob.frags.empty() ? "" : ":" + std::to_string(job.obj);
    BuiltSegment data;
    data.obj = data.dataobj = d.data_object;
    data.ts = def.users_ts;
    data.file = def.users_file_no;
    data.block = placed.header_block;
    data.data_blocks = placed.data_blocks;
    built.objects[owner + lob.name + frag] = data;
    BuiltSegment index = data;
    index.obj = index.dataobj = d.index_object;
    index.block = placed.index_header_block;
    index.data_blocks = placed.leaf_blocks;
    index.data_blocks.insert(index.data_blocks.end(), placed.branch_blocks.begin(), placed.branch_blocks.end());
    built.objects[owner + lob.ind_name + frag] = index;
    std::string key = key_of(t) + "." + t.def->columns[lob.column].name;
    if (!job.part.empty())
        key += ":" + job.part;
    if (!job.sub.empty())
        key += ":" + job.sub;
    built.lobs[key] = BuiltLob{d, placed};
}

} // namespace

void place_table_with_lobs(const DictionaryDef& def, TablePlan& t, DatafileImage& file, BlockCursor& cursor,
                           BuiltDatabase& built, uint32_t* next_lob_id)
{
    uint32_t block_size = file.def().block_size;
    std::vector<TableJob> jobs = table_jobs(t);
    for (TableJob& job : jobs) {
        for (size_t k = 0; k < t.lobs.size(); k++) {
            std::vector<size_t> which;
            std::vector<LobContent> values = job_values(t, k, job, &which);
            std::vector<std::vector<uint8_t>> columns = lob_columns_for_size(block_size, lob_def(t, k, 0), values);
            for (size_t j = 0; j < which.size(); j++)
                job.lob_cells[which[j]][k] = bytes_cell(columns[j]);
        }
        uint32_t blocks = table_segment_blocks(file, t.def->header_type, job_rows(t, job));
        job.extents = cursor.take(blocks, t.def->extent_blocks);
    }
    place_indexes(def, t, file, cursor, built);
    for (size_t k = 0; k < t.lobs.size(); k++) {
        LobPlan& lob = t.lobs[k];
        for (size_t j = 0; j < jobs.size(); j++) {
            std::vector<size_t> which;
            std::vector<LobContent> values = job_values(t, k, jobs[j], &which);
            LobSegmentDef d = lob_def(t, k, j);
            d.first_lob_id = *next_lob_id;
            *next_lob_id += (uint32_t)values.size();
            uint32_t blocks = lob_segments_blocks(block_size, d, values);
            uint32_t first = cursor.take(blocks, blocks).at(0).first_block;
            LobSegmentResult placed = add_lob_segments(file, first, d, values);
            Address* seg = lob.frags.empty() ? &lob.seg : &lob.frags[j].seg;
            Address* ind_seg = lob.frags.empty() ? &lob.ind_seg : &lob.frags[j].ind_seg;
            *seg = users_address(def, placed.header_block);
            *ind_seg = users_address(def, placed.index_header_block);
            for (size_t v = 0; v < which.size(); v++)
                jobs[j].lob_cells[which[v]][k] = bytes_cell(placed.lobs[v].column);
            record_lob(def, t, k, jobs[j], d, placed, built);
        }
    }
    for (TableJob& job : jobs) {
        TableSegmentResult r = write_table_segment(file, job.extents, job.dataobj, t.def->header_type, job_rows(t, job));
        uint32_t header = job.extents.at(0).first_block;
        built.objects[job.key] = built_of(def, job.obj, job.dataobj, r, header);
        *job.seg = users_address(def, header);
    }
}

} // namespace zb
