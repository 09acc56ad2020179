#pragma once
// LOB columns end to end in process: a datafile holding a table of rows
// (ID, LOB) whose LOB segments the builder wrote, the column described as
// the dictionary lookups would describe it, and the values read back from
// what the column callback was handed.

#include <functional>
#include <string>
#include <vector>

#include "builder/lob_segment.h"
#include "support/engine_fixture.h"

constexpr ub4 LOB_TABLE_OBJ = 71001;
constexpr ub4 LOB_DATA_OBJ = 71002;
constexpr ub4 LOB_INDEX_OBJ = 71003;

struct LobTable {
    zb::DatabaseImage db;
    zb::LobSegmentDef def;
    zb::LobSegmentResult lobs;
    zb::TableSegmentResult table;
    std::vector<std::vector<uint8_t>> columns; // each row's LOB column bytes
    zb::DatafileImage& file() { return db.file(0); }
};

// `patch` may change the rows' LOB column bytes before the rows are written.
LobTable build_lob_table(int order, ub4 block_size, const zb::LobSegmentDef& def,
                         const std::vector<zb::LobContent>& values,
                         const std::function<void(std::vector<std::vector<uint8_t>>&)>& patch = {});
zb::LobSegmentDef lob_segment_def(const zb::LobStorageDef& storage = {});

// Loads the files, describes the column, caches the index root, unloads
// with the given LOB output format; returns what the unload printed.
std::string unload_lob_table(EngineEnv& env, LobTable& table, TableDesc& desc, Recorder& recorder,
                             int lob_output_format = LOF_BIN, int mode = UM_NORMAL);
// What an unload of the table gave: each row's LOB value, what it printed,
// and the values the table counts as cut.
struct LobRun {
    std::vector<std::string> values;
    std::string out;
    ub8 cut = 0;
};
// Unloads the table in a fresh scratch directory, its LOB column of type
// `type`; `prepare` may change the settings or the column first.
LobRun run_lob_table(LobTable& table, ub1 type = ORA_BLOB, int lob_output_format = LOF_BIN,
                     const std::function<void(TableDesc&)>& prepare = {});
// Per row, the value the LOB column's calls carried (BLOB bytes, CLOB
// text), checking that they follow the protocol: the first call marked
// first, one marked last, every one a LOB piece.
std::vector<std::string> lob_values(const Recorder& recorder, int column = 1);
// Text and bytes for tests.
std::string lob_pattern(size_t length, unsigned seed);
std::vector<uint8_t> to_bytes(const std::string& text);
