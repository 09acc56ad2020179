#pragma once
// Files: a datafile as block images placed at block numbers, written with
// its header offset, block 0 and file header, unwritten blocks left as holes.

#include <cstdint>
#include <map>
#include <string>

#include "builder/block_image.h"
#include "builder/file_blocks.h"

namespace zb {

struct DatafileDef {
    uint32_t block_size = 8192;
    int order = LITTLE;
    uint8_t format = FMT_V10;
    bool tru64 = false;
    uint32_t header_offset = 0; // bytes before block 0
    uint32_t ts_no = 4;
    uint32_t file_no = 5;
    uint32_t rfile_no = 5; // 1024 in a big-file tablespace
    bool big_file = false;
    uint32_t blocks = 64;  // after block 0, as the header counts them
    uint32_t rdba_file_bits = 10;
};

class DatafileImage {
public:
    explicit DatafileImage(const DatafileDef& def);

    const DatafileDef& def() const { return spec_; }
    // The header block is made from this when the file is written; change it
    // to write a header that disagrees with the file it heads.
    FileHeaderDef& header() { return header_; }
    const FileHeaderDef& header() const { return header_; }

    uint32_t rdba(uint32_t block_no) const;
    CacheHeader cache_header(uint8_t type, uint32_t block_no) const;
    BlockImage blank(uint32_t block_no) const;

    // Places a sealed image; replaces block 1 as well when asked to.
    void put(uint32_t block_no, const BlockImage& block);
    bool has(uint32_t block_no) const { return blocks_.count(block_no) != 0; }
    BlockImage& at(uint32_t block_no) { return blocks_.at(block_no); }
    void damage(uint32_t block_no, Damage damage);

    // file_size 0: the full size; otherwise the file is cut to that many bytes.
    void write(const std::string& path, uint64_t file_size = 0) const;
    uint64_t full_size() const;
    // "ts fn rfn path bsize big offset blocks"
    std::string control_line(const std::string& path) const;

private:
    DatafileDef spec_;
    FileHeaderDef header_;
    std::map<uint32_t, BlockImage> blocks_;
};

// Writes a datafile block by block without holding it in memory.
class DatafileWriter {
public:
    DatafileWriter(const std::string& path, const DatafileDef& def, const FileHeaderDef& header);
    ~DatafileWriter();
    DatafileWriter(const DatafileWriter&) = delete;
    DatafileWriter& operator=(const DatafileWriter&) = delete;

    void write_block(uint32_t block_no, const BlockImage& block);
    // Sets the final size (full_size when 0) and closes the file.
    void finish(uint64_t file_size = 0);

private:
    void write_at(uint64_t position, const uint8_t* data, size_t length);
    DatafileDef spec_;
    std::string path_;
    int fd_ = -1;
};

uint64_t datafile_full_size(const DatafileDef& def);
FileHeaderDef default_file_header(const DatafileDef& def);

} // namespace zb
