// The datafile list loader over arbitrary control.txt contents, in a scratch
// directory holding a few builder datafiles the lines can name (names cannot
// leave it: "/" becomes "_"). Every entry loaded is then looked up and read.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/config.h"
#include "base/rdba.h"
#include "builder/datafile_image.h"
#include "fuzz_support.h"
#include "storage/asm_disk_list.h"
#include "storage/block_reader.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"
#include "support_seeds.h"

namespace {

void write_datafiles()
{
    zb::DatafileDef a;
    a.ts_no = 4;
    a.file_no = 7;
    a.rfile_no = 7;
    a.blocks = 8;
    zb::DatafileImage(a).write("a.dbf");
    zb::DatafileDef b = a;
    b.block_size = 2048;
    b.ts_no = 6;
    b.file_no = 12;
    b.rfile_no = 1024;
    b.big_file = true;
    zb::DatafileImage(b).write("b.dbf");
    zb::DatafileDef c = a;
    c.header_offset = 4096;
    c.format = 0x02;
    c.file_no = 9;
    zb::DatafileImage(c).write("c.dbf");
    zb::DatafileDef d = a;
    d.order = zb::BIG;
    zb::DatafileImage(d).write("d.dbf");
    zb::DatafileImage(a).write("e.dbf", 8192 + 100);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    write_seed("control_file_fuzz", "basic", "# ts fn rfn path\n4 7 7 a.dbf\n6 12 1024 b.dbf 2048 y\n");
    write_seed("control_file_fuzz", "fields", "4 9 9 c.dbf 8192 n 4096 8\n1 2 3 d.dbf\n0 0 0 e.dbf\n");
    write_seed("control_file_fuzz", "bad",
               "1 2\n70000 7 7 a.dbf\n4 7 7 a.dbf 3000\n6 5 5 b.dbf 2048 TRUE\n4 7 7 +DATA.256\n4 7 7 none\n");
    fuzz_quiet_scratch_dir();
    init_config_data();
    config_data.block_size = 8192;
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, 8192, 8);
    init_asmdisk_list();
    init_datafile_list();
    write_datafiles();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text = fuzz_local_text(data, size);
    FILE* fp = fopen("fuzz_control.txt", "wb");
    if (fp == nullptr)
        return 0;
    fwrite(text.data(), 1, text.size(), fp);
    fclose(fp);
    load_control_file("fuzz_control.txt");
    static ub1 block[32768];
    int entries = 0;
    for (PDATAFILE_ITEM item = datafile_list; item != nullptr && entries < 16; item = item->next, entries++) {
        if (get_datafile_item_fn(item->file_no) == nullptr || get_datafile_item_rfn(item->ts_no, item->rfile_no) == nullptr)
            abort(); // every registered entry must be found again
        for (ub4 b = 0; b < 3; b++)
            read_buffered_block(item, b, block, get_datafile_block_rdba(item, b));
        read_blocks(item, 0, 1, block, get_datafile_block_rdba(item, 0));
    }
    release_datafile_list();
    return 0;
}
