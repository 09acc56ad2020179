#pragma once
// Unloading builder-made datafiles in process: a scratch directory with the
// files and their control.txt loaded into the registry, a table description,
// and a recording callback set that keeps every column and row call.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "builder/database_image.h"
#include "builder/table_segment.h"
#include "engine/unload_engine.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"
#include "support/capture.h"
#include "support/order_and_size.h"

struct ColumnCall {
    int column = -1;        // index in the table's column list
    ub1 flags = 0;
    ub4 length = 0;         // bytes of this call
    bool has_col_data = false;
    bool is_null = true;
    std::string value;      // converted value, on a complete non-NULL call
    std::string bytes;      // the bytes of this call
    ub4 raw_data_len = 0;   // COL_DATA raw_data_len at the call
};

struct RowRecord {
    ub4 rdba = 0;
    ub4 row_no = 0;
    ub2 col_cnt = 0;
    ub2 col_fact_cnt = 0;
    ub1 corrupted = 0;
    ub4 col_data_cnt = 0;
    std::vector<ColumnCall> calls;
};

// The callbacks are plain functions, so one recorder is active at a time.
class Recorder {
public:
    Recorder();
    ~Recorder();
    UNLOAD_CALLBACKS callbacks(bool with_block_callback = true) const;

    std::vector<RowRecord> rows;
    std::vector<ColumnCall> pending; // calls after the last row callback
    std::vector<size_t> batches;     // rows in each block callback's list
    bool move_rows_out = false;      // the block callback keeps the rows (unload_data_to_list)
    ZEM_LIST kept;                   // rows moved out of their batch

    // Each row as the text writer would write it: complete values joined by
    // "|", NULL as empty, trailing NULLs left out.
    std::vector<std::string> texts() const;
    std::string joined() const; // texts separated by "\n"
};

std::string row_text(const RowRecord& row);
std::string kept_row_text(const ROW_DATA* row);

struct ColumnDesc {
    std::string name;
    ub1 ora_type;
    ub1 can_unload = 1;
    ub1 is_placeholder = 0;
    ub4 length = 0;
    ub2 scale = 0;
};

class TableDesc {
public:
    TableDesc(const std::vector<ColumnDesc>& columns, ub4 dataobj_no, ub4 ts_no = 4, ub1 table_index = 0);
    ~TableDesc();
    TableDesc(const TableDesc&) = delete;
    TableDesc& operator=(const TableDesc&) = delete;
    PTABLE get() { return &table_; }

private:
    TABLE table_;
};

struct UnloadResult {
    std::string out; // what the unload printed
    int found = 0;
};

class EngineEnv {
public:
    explicit EngineEnv(const char* tag);
    ~EngineEnv();
    // Writes the database into the scratch directory and loads its control.txt.
    std::string load(const zb::DatabaseImage& db, int order);
    const std::string& path() const { return dir_.path(); }

    // unload_segment with an ordinary table request (UM_NORMAL, strict).
    UnloadResult unload(TableDesc& table, ub4 segment_rdba, Recorder& recorder, int mode = UM_NORMAL,
                        bool with_block_callback = true);
    UnloadResult unload_params(PUNLOAD_PARAMS params, ub4 segment_rdba, Recorder& recorder,
                               bool with_block_callback = true);

private:
    ScopedWorkDir dir_;
};

zb::DatafileDef datafile_layout(int order, ub4 block_size, ub4 blocks = 64);
// The cells of a simple three-column row (NUMBER, VARCHAR2, DATE) numbered n.
std::vector<zb::Cell> simple_cells(int n);
std::vector<ColumnDesc> simple_columns();
std::string simple_text(int n);

