// The whole program on a generated table: zem run as a process in a scratch
// directory holding config.txt, control.txt and hand-written dictionary cache
// files, with its commands on standard input, writing the text output.
//
// Two datafiles of one table each (BENCH.T1 in file 5, BENCH.T2 in file 6,
// the bench_table.h rows) are generated side by side, then:
//   1. unload table BENCH.T1: MB/s of datafile, the ratio to
//      `cat FILE >/dev/null` of the same file in the same run (both from the
//      page cache after a warm-up read), and the peak resident size of zem;
//   2. unload table BENCH.T1 parallel 2: its time, the speedup over the
//      serial run, the peak resident size, and whether the data file is the
//      serial one byte for byte;
//   3. the same unload into an export dump (output_format dmp), next to
//      the text output: MB/s, its ratio to cat and to the text output;
//   4. unload user BENCH serially and with parallel 2: both times, the
//      speedup, and the peak resident sizes.
// Each measurement is taken `runs` times and the fastest run reported; the
// load average is printed with each, since the figures mean little on a busy
// machine.
//
//   unload_table_bench [DIR [MIB [RUNS [keep|reuse]]]]
// DIR defaults to the temporary directory, MIB (per table) to 1024, RUNS
// to 2; keep leaves the scratch directory for a later run with reuse, which
// measures again without generating the datafiles.

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

namespace {

namespace fs = std::filesystem;
using bench::run_zem;
using bench::write_text_file;
using bench::ZemResult;

constexpr uint32_t USER_ID = 90;
constexpr const char* USER_NAME = "BENCH";

struct BenchTable {
    const char* name;
    uint32_t file_no;
    uint32_t object_id;
    uint64_t seed;
};
const BenchTable TABLES[] = {{"T1", 5, bench::TABLE_OBJECT, 12345}, {"T2", 6, bench::TABLE_OBJECT + 1, 54321}};

std::string datafile_path(const std::string& scratch, const BenchTable& t)
{
    return scratch + "/" + t.name + ".dbf";
}

// The dictionary as the cache files of an earlier unload dict would hold it:
// user, objects, columns (OBJ#, COL#, SEGCOL#, NAME, TYPE#, LENGTH,
// PRECISION#, SCALE, NULL$, INTCOL#, PROPERTY, CHARSETID, CHARSETFORM) and
// segment headers (OBJ#, DATAOBJ#, TS#, FILE#, BLOCK#, TAB#).
void write_dictionary(const std::string& scratch)
{
    std::ostringstream user, obj, col, tab;
    user << "0,SYS\n" << USER_ID << "," << USER_NAME << "\n";
    for (const BenchTable& t : TABLES) {
        obj << t.object_id << "," << t.object_id << "," << USER_ID << "," << t.name << ",,2\n";
        for (int c = 0; c < bench::BENCH_COLUMN_CNT; c++) {
            const bench::BenchColumn& bc = bench::BENCH_COLUMNS[c];
            bool text = bc.type == 1;
            col << t.object_id << "," << c + 1 << "," << c + 1 << "," << bc.name << "," << (int)bc.type << ","
                << bc.length << ",";
            if (bc.precision >= 0)
                col << bc.precision;
            col << ",";
            if (bc.scale >= 0)
                col << bc.scale;
            col << ",0," << c + 1 << ",0," << (text ? 852 : 0) << "," << (text ? 1 : 0) << "\n";
        }
        tab << t.object_id << "," << t.object_id << "," << bench::TABLE_TS << "," << t.file_no << ","
            << bench::FIRST_EXTENT << ",\n";
    }
    write_text_file(scratch + "/user.zem", user.str());
    write_text_file(scratch + "/obj.zem", obj.str());
    write_text_file(scratch + "/col.zem", col.str());
    write_text_file(scratch + "/tab.zem", tab.str());
}

void write_setup(const std::string& scratch, const char* output_format = "text")
{
    write_text_file(scratch + "/config.txt", "block_size " + std::to_string(bench::BLOCK_SIZE) +
                                                 "\ndata_path " + scratch + "/out/\noutput_format " +
                                                 output_format + "\n");
    std::ostringstream control;
    for (const BenchTable& t : TABLES)
        control << bench::TABLE_TS << " " << t.file_no << " " << t.file_no << " " << datafile_path(scratch, t)
                << " " << bench::BLOCK_SIZE << "\n";
    write_text_file(scratch + "/control.txt", control.str());
    write_dictionary(scratch);
}

// Both datafiles at once, one child process each.
bool generate(const std::string& scratch, uint32_t extents)
{
    pid_t children[2];
    for (int i = 0; i < 2; i++) {
        children[i] = fork();
        if (children[i] == 0) {
            const BenchTable& t = TABLES[i];
            uint32_t header = bench::write_table(datafile_path(scratch, t), extents, t.file_no, t.object_id, t.seed);
            // The dictionary names the header by file and block.
            _exit(header == ((t.file_no << 22) | bench::FIRST_EXTENT) ? 0 : 1);
        }
    }
    bool ok = true;
    for (pid_t child : children) {
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            ok = false;
    }
    return ok;
}

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// FNV-1a over the file's bytes, read a megabyte at a time.
uint64_t file_digest(const std::string& path)
{
    uint64_t h = 1469598103934665603ull;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), (std::streamsize)buffer.size());
        for (std::streamsize i = 0; i < in.gcount(); i++) {
            h ^= (unsigned char)buffer[(size_t)i];
            h *= 1099511628211ull;
        }
    }
    return h;
}

// The rows each table unload reported, in order.
std::vector<unsigned long long> unloaded_rows(const std::string& log)
{
    std::vector<unsigned long long> rows;
    std::string text = read_all(log);
    const std::string tail = " rows unloaded";
    for (size_t at = text.find(tail); at != std::string::npos; at = text.find(tail, at + 1)) {
        size_t begin = at;
        while (begin > 0 && isdigit((unsigned char)text[begin - 1]))
            begin--;
        rows.push_back(strtoull(text.c_str() + begin, nullptr, 10));
    }
    return rows;
}

uint64_t output_bytes(const std::string& scratch, const char* extension = ".txt")
{
    uint64_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(scratch + "/out"))
        if (entry.path().extension() == extension)
            bytes += fs::file_size(entry.path());
    return bytes;
}

// The fastest of `runs` runs of the same commands.
ZemResult best_of(const std::string& scratch, const std::string& commands, const std::string& tag, int runs)
{
    ZemResult best;
    for (int i = 0; i < runs; i++) {
        double load = bench::load_average();
        ZemResult r = run_zem(scratch, commands, tag);
        printf("  %-30s run %d: %6.2f s (cpu %.2f user + %.2f system), peak RSS %6ld KiB (load average before "
               "%.2f)%s\n",
               commands.c_str(), i + 1, r.seconds, r.user_seconds, r.system_seconds, r.peak_rss_kib, load,
               r.ok ? "" : " FAILED");
        if (!r.ok)
            return r;
        if (i == 0 || r.seconds < best.seconds)
            best = r;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : fs::temp_directory_path().string();
    uint32_t mib = argc > 2 ? (uint32_t)atoi(argv[2]) : 1024;
    int runs = argc > 3 ? atoi(argv[3]) : 2;
    std::string mode = argc > 4 ? argv[4] : "";
    if (runs < 1)
        runs = 1;
    std::string scratch = fs::absolute(dir + "/zem_unload_bench").string();
    uint32_t extents = bench::extents_for_mib(mib);

    auto start = std::chrono::steady_clock::now();
    if (mode != "reuse") {
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        if (!generate(scratch, extents)) {
            fprintf(stderr, "generation failed\n");
            return 1;
        }
    }
    write_setup(scratch);
    std::string t1 = datafile_path(scratch, TABLES[0]);
    std::string t2 = datafile_path(scratch, TABLES[1]);
    uint64_t t1_bytes = fs::file_size(t1);
    uint64_t all_bytes = t1_bytes + fs::file_size(t2);
    printf("%s two datafiles of %.1f MiB each in %s: %.1f s\n", mode == "reuse" ? "reused" : "generated",
           t1_bytes / 1048576.0, scratch.c_str(), bench::seconds_since(start));

    bench::time_cat(t1); // warm-up: both files in the page cache
    bench::time_cat(t2);
    double cat_seconds = bench::time_cat(t1);
    printf("cat T1: %.2f s, %.0f MB/s (load average %.2f)\n", cat_seconds, t1_bytes / cat_seconds / 1e6,
           bench::load_average());

    printf("unload table:\n");
    ZemResult table = best_of(scratch, "unload table BENCH.T1", "table", runs);
    std::vector<unsigned long long> rows = unloaded_rows(table.log);
    if (!table.ok || rows.size() != 1 || rows[0] == 0) {
        fprintf(stderr, "unload table failed, see %s\n", table.log.c_str());
        return 1;
    }
    uint64_t text_bytes = output_bytes(scratch);
    double table_cpu = table.user_seconds + table.system_seconds;
    printf("unload table BENCH.T1: %llu rows, %.1f MiB of text in %.2f s: %.0f MB/s of datafile, %.0f MB/s per CPU "
           "second, %.2f M rows/s; zem / cat time ratio %.1f; peak RSS %ld KiB\n",
           rows[0], text_bytes / 1048576.0, table.seconds, t1_bytes / table.seconds / 1e6,
           table_cpu > 0 ? t1_bytes / table_cpu / 1e6 : 0.0, rows[0] / table.seconds / 1e6,
           table.seconds / cat_seconds, table.peak_rss_kib);

    // A digest, not the text: a bench holding the text would hand its size
    // to every zem it forks, and to the peak resident size measured.
    uint64_t table_digest = file_digest(scratch + "/out/BENCH_T1.txt");
    printf("unload table parallel 2:\n");
    ZemResult split = best_of(scratch, "unload table BENCH.T1 parallel 2", "split", runs);
    bool same = split.ok && file_digest(scratch + "/out/BENCH_T1.txt") == table_digest;
    if (!same) {
        fprintf(stderr, "unload table parallel 2 failed or its data file differs, see %s\n", split.log.c_str());
        return 1;
    }
    printf("unload table BENCH.T1 parallel 2: %.2f s: %.0f MB/s of datafile, speedup %.2fx over serial; CPU %.2f s "
           "(serial %.2f s); zem / cat time ratio %.1f; peak RSS %ld KiB (per process); data file identical\n",
           split.seconds, t1_bytes / split.seconds / 1e6, table.seconds / split.seconds,
           split.user_seconds + split.system_seconds, table_cpu, split.seconds / cat_seconds, split.peak_rss_kib);

    printf("unload table, export dump:\n");
    write_setup(scratch, "dmp");
    ZemResult dump = best_of(scratch, "unload table BENCH.T1", "dump", runs);
    std::vector<unsigned long long> dump_rows = unloaded_rows(dump.log);
    write_setup(scratch);
    if (!dump.ok || dump_rows != rows) {
        fprintf(stderr, "unload table into a dump failed, see %s\n", dump.log.c_str());
        return 1;
    }
    printf("unload table BENCH.T1 into a dump: %.1f MiB in %.2f s: %.0f MB/s of datafile; zem / cat time ratio "
           "%.1f; dump / text time ratio %.2f; peak RSS %ld KiB\n",
           output_bytes(scratch, ".dmp") / 1048576.0, dump.seconds, t1_bytes / dump.seconds / 1e6,
           dump.seconds / cat_seconds, dump.seconds / table.seconds, dump.peak_rss_kib);

    printf("unload user:\n");
    // Both tables are above the size from which the user unload splits a
    // table over all its workers: their data files must be the serial ones.
    auto user_digests = [&] {
        return std::make_pair(file_digest(scratch + "/out/BENCH_T1.txt"), file_digest(scratch + "/out/BENCH_T2.txt"));
    };
    ZemResult serial = best_of(scratch, "unload user BENCH", "serial", runs);
    auto serial_text = user_digests();
    std::vector<unsigned long long> serial_rows = unloaded_rows(serial.log);
    ZemResult parallel = best_of(scratch, "unload user BENCH parallel 2", "parallel", runs);
    auto parallel_text = user_digests();
    std::vector<unsigned long long> parallel_rows = unloaded_rows(parallel.log);
    if (!serial.ok || !parallel.ok || serial_rows.size() != 2 || parallel_rows.size() != 2 ||
        serial_text != parallel_text) {
        fprintf(stderr, "unload user failed or the outputs differ, see %s and %s\n", serial.log.c_str(),
                parallel.log.c_str());
        return 1;
    }
    printf("unload user BENCH (%.1f MiB of datafiles, %llu + %llu rows): serial %.2f s (%.0f MB/s, peak RSS %ld "
           "KiB), parallel 2 %.2f s (%.0f MB/s, peak RSS %ld KiB): speedup %.2fx; data files identical\n",
           all_bytes / 1048576.0, serial_rows[0], serial_rows[1], serial.seconds, all_bytes / serial.seconds / 1e6,
           serial.peak_rss_kib, parallel.seconds, all_bytes / parallel.seconds / 1e6, parallel.peak_rss_kib,
           serial.seconds / parallel.seconds);

    if (mode == "keep" || mode == "reuse")
        fs::remove_all(scratch + "/out");
    else
        fs::remove_all(scratch);
    return 0;
}
