#pragma once
// Disk groups from the ASM builder, written to a scratch directory and loaded
// through asmdisk.txt as the program loads them.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/asm_builder.h"
#include "storage/asm.h"
#include "support/capture.h"
#include "support/process.h"

class AsmGroupFixture {
public:
    explicit AsmGroupFixture(const char* tag) : dir_(tag)
    {
        init_config_data();
        init_asmdisk_list();
    }
    ~AsmGroupFixture()
    {
        release_asmdisk_list();
        init_config_data();
    }

    // Writes the disks and an asmdisk.txt naming them (lines dropped by
    // index when asked), loads it and returns what loading printed.
    std::string load(const AsmGroupDef& def, const AsmGroupImage& image, const std::vector<ub4>& skip = {},
                     bool full = false)
    {
        std::vector<std::string> lines = write_asm_group(image, def, ".", "", full);
        std::string text;
        for (ub4 i = 0; i < lines.size(); i++)
            if (std::find(skip.begin(), skip.end(), i) == skip.end())
                text += lines[i] + "\n";
        return load_text(text, def.byte_order);
    }
    std::string load_text(const std::string& text, int byte_order)
    {
        write_file("asmdisk.txt", text);
        config_data.byte_order = byte_order;
        return capture_stdout([] { load_asmdisk_file("asmdisk.txt"); });
    }
    static void rewrite_disk(const AsmGroupDef& def, const AsmGroupImage& image, ub4 disk, size_t keep_bytes)
    {
        std::ofstream out(asm_disk_file_name(def, disk), std::ios::binary | std::ios::trunc);
        out.write((const char*)image.disks[disk].data(), (std::streamsize)keep_bytes);
    }
    const std::string& path() const { return dir_.path(); }

private:
    ScopedWorkDir dir_;
};

// Opens a file of the first group the way the registry does.
inline PKFFFDB open_asm_test_file(const char* name, ub4 block_size = 0)
{
    PKFFFDB file = nullptr;
    capture_stdout([&] { open_asm_datafile(name, block_size, &file); });
    return file;
}

// Every block of the file through read_asmfile_blocks, batch by batch.
inline std::vector<ub1> read_whole_asm_file(PKFFFDB file, ub2 batch = 16)
{
    std::vector<ub1> out;
    std::vector<ub1> buffer((size_t)batch * file->blkSize);
    ub8 blocks = (file->bytes + file->blkSize - 1) / file->blkSize;
    for (ub4 b = 0; b < blocks;) {
        ub2 got = read_asmfile_blocks(file, b, batch, buffer.data());
        if (got == 0)
            break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + (std::ptrdiff_t)got * file->blkSize);
        b += got;
    }
    if (out.size() > file->bytes)
        out.resize(file->bytes);
    return out;
}
