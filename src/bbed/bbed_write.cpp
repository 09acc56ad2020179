// The editor's writes: the confirmation, writing one block in place, sum
// (apply) and rollback. A datafile is opened for writing only here, only
// after the user said yes, and only at the block being written.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "base/byte_order.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "bbed/bbed_module.h"
#include "blocks/block_types.h"
#include "shell/shell.h"
#include "storage/buffer_cache.h"
#include "storage/checksum.h"

namespace {

// The answer is judged on its first characters, as typed.
constexpr size_t ANSWER_MAX_LEN = 19;

// The program's own standard input: the first command context. A command
// file cannot answer for the user.
FILE* answer_stream()
{
    if (cmd_context_list.header == nullptr)
        return nullptr;
    PCMD_CONTEXT context = (PCMD_CONTEXT)cmd_context_list.header->data;
    return context != nullptr ? context->cmd_file : nullptr;
}

// One line; whatever is typed past ANSWER_MAX_LEN characters is read and
// dropped, so that it is never taken as the next command.
bool read_answer(FILE* stream, char* answer)
{
    answer[0] = '\0';
    if (stream == nullptr)
        return false;
    fflush(stdout);
    size_t used = 0;
    int c;
    while ((c = fgetc(stream)) != EOF && c != '\n')
        if (used < ANSWER_MAX_LEN)
            answer[used++] = (char)c;
    answer[used] = '\0';
    return c != EOF || used > 0;
}

bool block_is_loaded(const char* message)
{
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("%s", message);
        return false;
    }
    return true;
}

// A block that could not be read has no known image to go back to, and it
// may lie past the end of the file: it is never written.
bool block_may_be_written()
{
    if (bbed_env.block_read)
        return true;
    sp_printf("Block %u of file %u could not be read; it is not written.\n\n", bbed_env.block_no, bbed_env.file_no);
    return false;
}

// Keeps the image the datafile holds before the editor's first write to
// this block, so that rollback can put it back.
bool save_block_image()
{
    if (bbed_env.saved_buffer != nullptr)
        return true;
    bbed_env.saved_buffer = (ub1*)malloc(bbed_env.block_size);
    if (bbed_env.saved_buffer == nullptr) {
        sp_printf("Can not allocate memory for block buffer,block size is %u\n", bbed_env.block_size);
        return false;
    }
    memcpy(bbed_env.saved_buffer, bbed_env.block_buffer, bbed_env.block_size);
    return true;
}

bool has_unsaved_changes()
{
    return memcmp(bbed_env.modified_buffer, bbed_env.block_buffer, bbed_env.block_size) != 0;
}

// sum [apply [force]]: false (usage shown) for any other form.
bool parse_sum_form(LINE_ARRAY tokens, int count, bool* apply, bool* force)
{
    *apply = count >= 2;
    *force = count == 3;
    bool ok = count >= 1 && count <= 3 && (count < 2 || str_case_equal(tokens[1], "apply")) &&
              (count < 3 || str_case_equal(tokens[2], "force"));
    if (!ok)
        show_cmd_format(CMD_BBED_SUM);
    return ok;
}

} // namespace

bool ask_to_continue()
{
    sp_printf("Would you like to continue? (y/n) \n");
    char answer[ANSWER_MAX_LEN + 1];
    read_answer(answer_stream(), answer);
    char trimmed[ANSWER_MAX_LEN + 1];
    trim_str(answer, trimmed);
    return str_case_equal(trimmed, "y") || str_case_equal(trimmed, "yes");
}

bool write_block(const ub1* buffer, PDATAFILE_ITEM datafile, ub4 block_no)
{
    if (datafile->is_asm) {
        sp_printf("Can not open file '%s' for writing, error message:%s\n", datafile->file_name,
                  "a datafile in an ASM disk group can not be written");
        return false;
    }
    FILE* fp = fopen(datafile->file_name, "r+b");
    if (fp == nullptr) {
        sp_printf("Can not open file '%s' for writing, error message:%s\n", datafile->file_name, strerror(errno));
        return false;
    }
    size_t block_size = (size_t)datafile->block_size;
    ub8 position = (ub8)datafile->header_offset + (ub8)block_no * block_size;
    // Writing past the end would grow the file: the block must be there.
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || (S_ISREG(st.st_mode) && (ub8)st.st_size < position + block_size)) {
        sp_printf("File seeking error:%s\n", "the block lies past the end of the file");
        fclose(fp);
        return false;
    }
    if (fseeko(fp, (off_t)position, SEEK_SET) != 0) {
        sp_printf("File seeking error:%s\n", strerror(errno));
        fclose(fp);
        return false;
    }
    errno = 0;
    size_t written = fwrite(buffer, 1, block_size, fp);
    bool ok = written == block_size && fflush(fp) == 0;
    int write_errno = errno;
    if (fclose(fp) != 0 && ok) {
        ok = false;
        write_errno = errno;
    }
    if (!ok) {
        sp_printf("Writing file error: %s\n", write_errno != 0 ? strerror(write_errno) : "short write");
        return false;
    }
    // The registry's read stream and the block cache may hold the old bytes.
    if (datafile->fp != nullptr)
        fflush(datafile->fp);
    empty_block_buffer_cache(&block_buffer_cache);
    return true;
}

bool write_current_block()
{
    if (!save_block_image())
        return false;
    // From here the file may differ from the saved image, even when the
    // write fails half way.
    bbed_env.disk_changed = 1;
    if (!write_block(bbed_env.modified_buffer, bbed_env.datafile_item, bbed_env.block_no))
        return false;
    memcpy(bbed_env.block_buffer, bbed_env.modified_buffer, bbed_env.block_size);
    return true;
}

void do_bbed_sum(LINE_ARRAY tokens, int count)
{
    bool apply, force;
    if (!parse_sum_form(tokens, count, &apply, &force) || !block_is_loaded("Please set datafile for sum\n\n"))
        return;
    ub1* block = bbed_env.modified_buffer;
    ub4 block_size = bbed_env.block_size;
    if (!apply) {
        if (bbed_env.block_no == 0) {
            sp_printf("Os block has not checksum value.\n\n");
            return;
        }
        sp_printf("\nOld checksum value: 0x%04x\n", get_ub2(block, BLOCK_CHECKSUM_OFFSET));
        // As it would be with the checksum flag set; the copy stays as it is.
        std::vector<ub1> copy(block, block + block_size);
        copy[BLOCK_FLAG_OFFSET] |= KCBHFCKV;
        sp_printf("New checksum value: 0x%04x\n\n", calc_block_checksum(copy.data(), block_size));
        return;
    }
    if (!force) {
        sp_printf("\nWarning: apply the modified data will overwrite original data.\n");
        if (!ask_to_continue()) {
            sp_printf("Not applied.\n\n");
            return;
        }
    }
    if (!block_may_be_written())
        return;
    ub1 old_flag = block[BLOCK_FLAG_OFFSET];
    ub1 old_sum[2] = {block[BLOCK_CHECKSUM_OFFSET], block[BLOCK_CHECKSUM_OFFSET + 1]};
    if (bbed_env.block_no != 0) {
        sp_printf("\nOld checksum value: 0x%04x\n", get_ub2(block, BLOCK_CHECKSUM_OFFSET));
        sp_printf("New checksum value: 0x%04x\n", set_block_checksum(block, block_size));
    }
    if (write_current_block()) {
        sp_printf("Writing block has completed\n\n");
        return;
    }
    block[BLOCK_FLAG_OFFSET] = old_flag;
    block[BLOCK_CHECKSUM_OFFSET] = old_sum[0];
    block[BLOCK_CHECKSUM_OFFSET + 1] = old_sum[1];
}

void do_bbed_rollback(LINE_ARRAY, int count)
{
    if (count != 1) {
        show_cmd_format(CMD_BBED_ROLLBACK);
        return;
    }
    if (!block_is_loaded("Please set datafile for rollbacking\n\n"))
        return;
    ub4 block_size = bbed_env.block_size;
    // Unsaved changes are discarded first; a second rollback puts back the
    // image the file held before the editor wrote this block.
    if (has_unsaved_changes() || !bbed_env.disk_changed) {
        sp_printf("\nWarning: rollbacking will discard the modified data.\n");
        if (!ask_to_continue())
            return;
        memcpy(bbed_env.modified_buffer, bbed_env.block_buffer, block_size);
        sp_printf("Modified data rollbacked.\n\n");
        return;
    }
    sp_printf("\nWarning: rollbacking will write the block's image before the first write back to the file.\n");
    if (!ask_to_continue())
        return;
    if (!write_block(bbed_env.saved_buffer, bbed_env.datafile_item, bbed_env.block_no))
        return;
    memcpy(bbed_env.block_buffer, bbed_env.saved_buffer, block_size);
    memcpy(bbed_env.modified_buffer, bbed_env.saved_buffer, block_size);
    bbed_env.disk_changed = 0;
    sp_printf("Writing block has completed\n");
    sp_printf("Modified data rollbacked.\n\n");
}
