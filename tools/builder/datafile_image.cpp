#include "builder/datafile_image.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace zb {

uint64_t datafile_full_size(const DatafileDef& def)
{
    return def.header_offset + ((uint64_t)def.blocks + 1) * def.block_size;
}

FileHeaderDef default_file_header(const DatafileDef& def)
{
    FileHeaderDef h;
    h.cache.format = def.format;
    h.cache.rdba = def.big_file ? 1 : (def.rfile_no << (32 - def.rdba_file_bits)) | 1;
    h.tru64 = def.tru64;
    h.file_size = def.blocks;
    h.file_no = (uint16_t)def.file_no;
    h.ts_no = def.ts_no;
    h.rfile_no = def.rfile_no;
    return h;
}

DatafileImage::DatafileImage(const DatafileDef& def) : spec_(def), header_(default_file_header(def)) {}

uint32_t DatafileImage::rdba(uint32_t block_no) const
{
    if (spec_.big_file)
        return block_no;
    return (spec_.rfile_no << (32 - spec_.rdba_file_bits)) | block_no;
}

CacheHeader DatafileImage::cache_header(uint8_t type, uint32_t block_no) const
{
    CacheHeader h;
    h.type = type;
    h.format = spec_.format;
    h.rdba = rdba(block_no);
    h.scn_base = 0x00450000u + block_no;
    h.scn_wrap = 0x0003;
    h.seq = (uint8_t)(1 + block_no % 7);
    return h;
}

BlockImage DatafileImage::blank(uint32_t block_no) const
{
    return make_blank_block(spec_.block_size, spec_.order, cache_header(0, block_no));
}

void DatafileImage::put(uint32_t block_no, const BlockImage& block)
{
    if (block.size() != spec_.block_size || block.order() != spec_.order)
        throw std::invalid_argument("block image of another size or byte order");
    blocks_.insert_or_assign(block_no, block);
}

void DatafileImage::damage(uint32_t block_no, Damage damage)
{
    damage_block(blocks_.at(block_no), damage);
}

uint64_t DatafileImage::full_size() const
{
    return datafile_full_size(spec_);
}

void DatafileImage::write(const std::string& path, uint64_t file_size) const
{
    DatafileWriter writer(path, spec_, header_);
    for (const auto& [block_no, block] : blocks_)
        writer.write_block(block_no, block);
    writer.finish(file_size);
}

std::string DatafileImage::control_line(const std::string& path) const
{
    return std::to_string(spec_.ts_no) + " " + std::to_string(spec_.file_no) + " " + std::to_string(spec_.rfile_no) +
           " " + path + " " + std::to_string(spec_.block_size) + " " + (spec_.big_file ? "Y" : "N") + " " +
           std::to_string(spec_.header_offset) + " " + std::to_string(spec_.blocks);
}

DatafileWriter::DatafileWriter(const std::string& path, const DatafileDef& def, const FileHeaderDef& header)
    : spec_(def), path_(path)
{
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd_ < 0)
        throw std::runtime_error("cannot create " + path + ": " + strerror(errno));
    if (def.header_offset > 0) {
        // A recognisable filler, so a reader that ignores the offset sees it.
        std::vector<uint8_t> filler(def.header_offset, 0xee);
        write_at(0, filler.data(), filler.size());
    }
    write_block(0, make_os_block(def.block_size, def.order, def.format, def.blocks));
    write_block(1, make_file_header_block(header, def.block_size, def.order));
}

DatafileWriter::~DatafileWriter()
{
    if (fd_ >= 0)
        close(fd_);
}

void DatafileWriter::write_at(uint64_t position, const uint8_t* data, size_t length)
{
    while (length > 0) {
        ssize_t n = pwrite(fd_, data, length, (off_t)position);
        if (n <= 0)
            throw std::runtime_error("cannot write " + path_ + ": " + strerror(errno));
        data += n;
        length -= (size_t)n;
        position += (uint64_t)n;
    }
}

void DatafileWriter::write_block(uint32_t block_no, const BlockImage& block)
{
    if (block.size() != spec_.block_size)
        throw std::invalid_argument("block image of another size");
    write_at(spec_.header_offset + (uint64_t)block_no * spec_.block_size, block.data(), block.size());
}

void DatafileWriter::finish(uint64_t file_size)
{
    if (fd_ < 0)
        return;
    uint64_t size = file_size != 0 ? file_size : datafile_full_size(spec_);
    if (ftruncate(fd_, (off_t)size) != 0)
        throw std::runtime_error("cannot size " + path_ + ": " + strerror(errno));
    close(fd_);
    fd_ = -1;
}

} // namespace zb
