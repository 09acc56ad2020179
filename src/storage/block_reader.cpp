#include "storage/block_reader.h"

#include <cerrno>
#include <cstring>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include "base/printer.h"
#include "base/rdba.h"
#include "storage/asm_access.h"
#include "storage/buffer_cache.h"

namespace {

// Seeks to the block in 64-bit arithmetic: files far beyond 4 GiB are normal.
bool seek_block(PDATAFILE_ITEM file_item, ub4 block_no)
{
    ub8 position = (ub8)file_item->header_offset + (ub8)block_no * (ub8)file_item->block_size;
    if (fseeko(file_item->fp, (off_t)position, SEEK_SET) != 0) {
        sp_printf("has already arrived file end.\n");
        return false;
    }
    return true;
}

// Reads whole blocks at the current position; a final partial block is left
// for the next call, which reports it. 0 when not even one block came back.
ub4 read_whole_blocks(PDATAFILE_ITEM file_item, ub4 block_cnt, ub1* buffer)
{
    size_t block_size = (size_t)file_item->block_size;
    errno = 0;
    size_t bytes = fread(buffer, 1, block_size * block_cnt, file_item->fp);
    if (bytes >= block_size)
        return (ub4)(bytes / block_size);
    if (bytes == 0 && feof(file_item->fp)) {
        sp_printf("has already arrived file end.\n");
        return 0;
    }
    const char* reason = ferror(file_item->fp) && errno != 0 ? strerror(errno) : "incomplete block at end of file";
    clearerr(file_item->fp);
    sp_printf("read data error from file '%s'.error message:%s\n", file_item->file_name, reason);
    return 0;
}

ub4 read_plain_blocks(PDATAFILE_ITEM file_item, ub4 block_no, ub4 block_cnt, ub1* buffer)
{
    if (file_item->fp == nullptr) {
        sp_printf("can not read from a closed file.\n");
        return 0;
    }
    if (!seek_block(file_item, block_no))
        return 0;
    return read_whole_blocks(file_item, block_cnt, buffer);
}

ub4 read_asm_blocks(PDATAFILE_ITEM file_item, ub4 block_no, ub4 block_cnt, ub1* buffer)
{
    if (file_item->asm_file == nullptr) {
        sp_printf("can not read from diskgroup.\n");
        return 0;
    }
    return read_asm_datafile_blocks(file_item, block_no, block_cnt, buffer);
}

} // namespace

ub4 read_blocks(PDATAFILE_ITEM file_item, ub4 start_block, ub2 block_cnt, ub1* buffer, ub4 rdba)
{
    if (block_cnt == 0 || file_item->block_size <= 0)
        return 0;
    ub4 block_no = file_item->big_file ? rdba : start_block;
    if (file_item->is_asm)
        return read_asm_blocks(file_item, block_no, block_cnt, buffer);
    return read_plain_blocks(file_item, block_no, block_cnt, buffer);
}

int read_buffered_block(PDATAFILE_ITEM file_item, ub4 block_no, ub1* buffer, ub4 rdba)
{
    if (file_item->block_size <= 0)
        return 0;
    ub4 block_size = (ub4)file_item->block_size;
    ub4 key = file_item->big_file ? rdba : file_block_rdba((ub4)file_item->rfile_no, block_no);
    if (file_item->big_file)
        block_no = rdba;
    ub4 ts_no = (ub4)file_item->ts_no;

    PBUFFER_CACHE_ITEM cached = search_block_buffer_cache(&block_buffer_cache, ts_no, key, block_size);
    if (cached != nullptr) {
        memcpy(buffer, cached->buffer, block_size);
        move_buffer_cache_mru(&block_buffer_cache, cached);
        return 1;
    }
    ub4 got = file_item->is_asm ? read_asm_blocks(file_item, block_no, 1, buffer)
                                : read_plain_blocks(file_item, block_no, 1, buffer);
    if (got != 1)
        return 0;
    copy_block_to_buffer_cache(&block_buffer_cache, buffer, ts_no, key, block_size);
    return 1;
}

int is_past_file_end(const DATAFILE_ITEM* file_item, ub4 block_no)
{
    if (file_item->is_asm || file_item->fp == nullptr || file_item->block_size <= 0)
        return FALSE;
    int fd = fileno(file_item->fp);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0)
        return FALSE;
    ub8 size = 0;
    if (S_ISREG(st.st_mode))
        size = (ub8)st.st_size;
    else if (!S_ISBLK(st.st_mode) || ioctl(fd, BLKGETSIZE64, &size) != 0)
        return FALSE;
    ub8 end = (ub8)file_item->header_offset + ((ub8)block_no + 1) * (ub8)file_item->block_size;
    return end > size ? TRUE : FALSE;
}
