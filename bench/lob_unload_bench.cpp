// LOB unload to files: zem run as a process on a generated table BENCH.LOBS
// (ID NUMBER, DATA BLOB) whose BLOBs fill a LOB segment of the builder, out
// of row in chunks of four blocks, the first twelve chunks of each value
// named by its row and the rest by the LOB index. The dictionary is given as
// the cache files of an earlier unload dict would hold it.
//
// Reported: MB/s of LOB bytes written to their files, the datafile's MB/s,
// and the ratio to `cat FILE >/dev/null` of the same datafile in the same run
// (from the page cache after a warm-up read); the fastest of `runs` runs,
// with the load average, since the figures mean little on a busy machine.
//
//   lob_unload_bench [DIR [VALUES [KIB [RUNS]]]]
// DIR defaults to the temporary directory, VALUES to 128 BLOBs of KIB = 1024
// KiB each, RUNS to 2. The scratch directory is removed at the end.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_table.h"
#include "bench_zem.h"
#include "builder/lob_segment.h"
#include "builder/table_segment.h"

namespace {

namespace fs = std::filesystem;
using bench::run_zem;
using bench::write_text_file;
using bench::ZemResult;

constexpr uint32_t BLOCK_SIZE = 8192;
constexpr uint32_t TS = 4, FILE_NO = 5;
constexpr uint32_t TABLE_OBJ = 80001, LOB_OBJ = 80002, INDEX_OBJ = 80003, USER_ID = 90;
constexpr uint32_t LOB_FIRST_BLOCK = 8;

struct Generated {
    uint32_t table_header = 0, index_header = 0, lob_header = 0;
    uint64_t lob_bytes = 0;
};

Generated generate(const std::string& path, uint32_t values, uint32_t kib)
{
    zb::LobSegmentDef def;
    def.data_object = LOB_OBJ;
    def.index_object = INDEX_OBJ;
    def.storage.in_row = true;
    def.storage.chunk_blocks = 4;
    def.storage.extent_blocks = 1024;
    std::vector<zb::LobContent> contents;
    Generated g;
    for (uint32_t v = 0; v < values; v++) {
        zb::LobContent c;
        c.bytes.resize((size_t)kib * 1024);
        uint64_t x = 0x9e3779b97f4a7c15ull * (v + 1);
        for (size_t i = 0; i < c.bytes.size(); i++) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            c.bytes[i] = (uint8_t)x;
        }
        g.lob_bytes += c.bytes.size();
        contents.push_back(std::move(c));
    }
    uint32_t lob_blocks = zb::lob_segments_blocks(BLOCK_SIZE, def, contents);
    uint32_t table_first = LOB_FIRST_BLOCK + lob_blocks;
    uint32_t table_blocks = 16 + values / 16;
    zb::DatafileDef d;
    d.block_size = BLOCK_SIZE;
    d.ts_no = TS;
    d.file_no = d.rfile_no = FILE_NO;
    d.blocks = table_first + table_blocks + 8;
    zb::DatafileImage file(d);
    zb::LobSegmentResult placed = zb::add_lob_segments(file, LOB_FIRST_BLOCK, def, contents);
    contents.clear();
    std::vector<zb::LogicalRow> rows;
    for (uint32_t v = 0; v < values; v++)
        rows.push_back(zb::make_row({zb::bytes_cell(zb::number_bytes((int64_t)v + 1)),
                                     zb::bytes_cell(placed.lobs[v].column)}));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = TABLE_OBJ;
    shape.segment.extents = {{table_first, table_blocks}};
    zb::add_table_segment(file, shape, rows);
    file.write(path);
    g.table_header = table_first;
    g.index_header = placed.index_header_block;
    g.lob_header = placed.header_block;
    return g;
}

// The dictionary cache files: the user, the table, its LOB segment and LOB
// index (OBJ$), the columns (COL$), the segment headers of the table and the
// index (TAB$, IND$ rows of tab.zem) and the LOB (LOB$: OBJ#, COL#, INTCOL#,
// LOBJ#, PART#, IND#, TS#, FILE#, BLOCK#, CHUNK, PROPERTY).
void write_setup(const std::string& scratch, const std::string& datafile, const Generated& g)
{
    std::ostringstream obj, col, tab, lob;
    obj << TABLE_OBJ << "," << TABLE_OBJ << "," << USER_ID << ",LOBS,,2\n"
        << LOB_OBJ << "," << LOB_OBJ << "," << USER_ID << ",SYS_LOB_BENCH,,21\n"
        << INDEX_OBJ << "," << INDEX_OBJ << "," << USER_ID << ",SYS_IL_BENCH,,1\n";
    col << TABLE_OBJ << ",1,1,ID,2,22,,,0,1,0,0,0\n" << TABLE_OBJ << ",2,2,DATA,113,4000,,,0,2,0,0,0\n";
    tab << TABLE_OBJ << "," << TABLE_OBJ << "," << TS << "," << FILE_NO << "," << g.table_header << ",\n"
        << INDEX_OBJ << "," << INDEX_OBJ << "," << TS << "," << FILE_NO << "," << g.index_header << "\n";
    lob << TABLE_OBJ << ",2,2," << LOB_OBJ << ",0," << INDEX_OBJ << "," << TS << "," << FILE_NO << ","
        << g.lob_header << ",4,0\n";
    write_text_file(scratch + "/user.zem", "0,SYS\n" + std::to_string(USER_ID) + ",BENCH\n");
    write_text_file(scratch + "/obj.zem", obj.str());
    write_text_file(scratch + "/col.zem", col.str());
    write_text_file(scratch + "/tab.zem", tab.str());
    write_text_file(scratch + "/lob.zem", lob.str());
    write_text_file(scratch + "/config.txt", "block_size 8192\nlob_storage file\ndata_path " + scratch + "/out/\n");
    write_text_file(scratch + "/control.txt", std::to_string(TS) + " " + std::to_string(FILE_NO) + " " +
                                                  std::to_string(FILE_NO) + " " + datafile + " 8192\n");
}

// Bytes in the LOB files under out/.
uint64_t lob_file_bytes(const std::string& scratch, uint64_t* files)
{
    uint64_t bytes = 0;
    *files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scratch + "/out"))
        if (entry.is_regular_file() && entry.path().extension() == ".dat") {
            bytes += entry.file_size();
            (*files)++;
        }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : fs::temp_directory_path().string();
    uint32_t values = argc > 2 ? (uint32_t)atoi(argv[2]) : 128;
    uint32_t kib = argc > 3 ? (uint32_t)atoi(argv[3]) : 1024;
    int runs = argc > 4 ? atoi(argv[4]) : 2;
    if (runs < 1)
        runs = 1;
    std::string scratch = fs::absolute(dir + "/zem_lob_bench").string();
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    std::string datafile = scratch + "/lobs.dbf";

    auto start = std::chrono::steady_clock::now();
    // Generated in a child, so that zem, forked from here, does not start
    // with the generator's memory in its resident size.
    pid_t child = fork();
    if (child == 0) {
        write_setup(scratch, datafile, generate(datafile, values, kib));
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "generation failed\n");
        return 1;
    }
    Generated g;
    g.lob_bytes = (uint64_t)values * kib * 1024;
    uint64_t file_bytes = fs::file_size(datafile);
    printf("generated %u BLOBs of %u KiB (%.1f MiB of LOB data) in a %.1f MiB datafile: %.1f s\n", values, kib,
           g.lob_bytes / 1048576.0, file_bytes / 1048576.0, bench::seconds_since(start));

    bench::time_cat(datafile); // warm-up
    double cat_seconds = bench::time_cat(datafile);
    printf("cat: %.2f s, %.0f MB/s (load average %.2f)\n", cat_seconds, file_bytes / cat_seconds / 1e6,
           bench::load_average());

    ZemResult best;
    for (int i = 0; i < runs; i++) {
        double load = bench::load_average();
        ZemResult r = run_zem(scratch, "unload table BENCH.LOBS", "lobs");
        uint64_t files = 0;
        uint64_t written = r.ok ? lob_file_bytes(scratch, &files) : 0;
        printf("  run %d: %.2f s (cpu %.2f user + %.2f system), peak RSS %ld KiB, %llu LOB files, %.1f MiB (load "
               "average before %.2f)%s\n",
               i + 1, r.seconds, r.user_seconds, r.system_seconds, r.peak_rss_kib, (unsigned long long)files,
               written / 1048576.0, load,
               r.ok && written == g.lob_bytes && files == values ? "" : " FAILED");
        if (!r.ok || written != g.lob_bytes || files != values) {
            fprintf(stderr, "the unload failed or its LOB files are short, see %s\n", r.log.c_str());
            return 1;
        }
        if (i == 0 || r.seconds < best.seconds)
            best = r;
    }
    printf("unload table BENCH.LOBS: %.0f MB/s of LOB bytes, %.0f MB/s of datafile; zem / cat time ratio %.1f "
           "(throughput %.2f x cat); peak RSS %ld KiB\n",
           g.lob_bytes / best.seconds / 1e6, file_bytes / best.seconds / 1e6, best.seconds / cat_seconds,
           cat_seconds / best.seconds, best.peak_rss_kib);
    fs::remove_all(scratch);
    return 0;
}
