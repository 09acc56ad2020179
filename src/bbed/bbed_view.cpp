// Looking at and changing the working copy: dump, the hex dump, modify,
// find and corrupt. None of them reads or writes past the block.

#include <cstring>

#include "base/printer.h"
#include "base/str_util.h"
#include "bbed/bbed_module.h"
#include "blocks/dump_cmd.h"
#include "shell/shell.h"

namespace {

constexpr ub4 HEX_LINE_BYTES = 16;

bool is_double_byte_char(ub1 c)
{
    return c >= 0xa1 && c <= 0xfe;
}

// Hex digits (an optional 0x dropped) into bytes; a missing last digit
// counts as 0. Returns the byte count.
ub4 hex_to_bytes(const char* digits, ub1* bytes)
{
    ub4 n = 0;
    for (size_t i = 0; digits[i] != '\0'; i += 2) {
        ub1 high = (ub1)hex_char_to_num(digits[i]);
        ub1 low = digits[i + 1] != '\0' ? (ub1)hex_char_to_num(digits[i + 1]) : 0;
        bytes[n++] = (ub1)(high << 4 | low);
        if (digits[i + 1] == '\0')
            break;
    }
    return n;
}

const char* skip_hex_prefix(const char* text)
{
    return has_hex_prefix_str(text) ? text + 2 : text;
}

// First match of the pattern in [from, to) of the block, or -1.
long search_bytes(const ub1* block, ub4 from, ub4 to, const ub1* pattern, ub4 length)
{
    for (ub4 at = from; at < to; at++)
        if (memcmp(block + at, pattern, length) == 0)
            return (long)at;
    return -1;
}

} // namespace

void dump_block_hex(const ub1* buffer, ub4 offset, ub4 block_size)
{
    if (offset >= block_size) {
        sp_printf("End of block.\n\n");
        return;
    }
    sp_printf("\n");
    sp_printf("%7c-0--1--2--3--4--5--6--7--8--9--a--b--c--d--e--f-\n", ' ');
    for (ub4 line = 0; line < BBED_DUMP_MAX_LINES && offset < block_size; line++, offset += HEX_LINE_BYTES) {
        ub4 n = block_size - offset < HEX_LINE_BYTES ? block_size - offset : HEX_LINE_BYTES;
        char text[HEX_LINE_BYTES * 4 + 16];
        int used = snprintf(text, sizeof(text), "%04x  ", offset);
        for (ub4 i = 0; i < HEX_LINE_BYTES; i++)
            used += snprintf(text + used, sizeof(text) - (size_t)used, i < n ? " %02x" : "   ",
                             i < n ? buffer[offset + i] : 0);
        sp_printf("%s  ", text);
        // The text column: printable ASCII, and pairs of bytes that make a
        // double-byte character when both lie in this line.
        ub4 t = 0;
        for (ub4 i = 0; i < n; i++) {
            ub1 c = buffer[offset + i];
            if (c >= 32 && c <= 127)
                text[t++] = (char)c;
            else if (is_double_byte_char(c) && i + 1 < n && is_double_byte_char(buffer[offset + i + 1])) {
                text[t++] = (char)c;
                text[t++] = (char)buffer[offset + i + 1];
                i++;
            } else
                text[t++] = '.';
        }
        text[t] = '\0';
        sp_printf("%s\n", text);
    }
    sp_printf("\n");
}

void do_bbed_dump(LINE_ARRAY tokens, int count)
{
    bool hex = count >= 2 && strcmp(tokens[1], "/x") == 0;
    int next = hex ? 2 : 1;
    bool old = count > next && str_case_equal(tokens[next], "old");
    if (old)
        next++;
    bool header = !hex && count > next && str_case_equal(tokens[next], "header");
    if (header)
        next++;
    if (next != count) {
        show_cmd_format(CMD_BBED_DUMP);
        return;
    }
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for dump\n\n");
        return;
    }
    const ub1* buffer = old ? bbed_env.block_buffer : bbed_env.modified_buffer;
    if (hex)
        dump_block_hex(buffer, bbed_env.block_offset, bbed_env.block_size);
    else
        ora_dump_block_with_bootstrap(buffer, bbed_env.block_size, header);
}

void do_bbed_modify(LINE_ARRAY tokens, int count)
{
    if (count != 2) {
        show_cmd_format(CMD_BBED_MODIFY);
        return;
    }
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for modifying\n\n");
        return;
    }
    const char* digits = skip_hex_prefix(tokens[1]);
    size_t length = strlen(digits);
    if (length == 0) {
        sp_printf("Nothing for modifying\n");
        return;
    }
    if (!is_hex_str(digits)) {
        sp_printf("Invalid hex string\n");
        return;
    }
    if (length % 2 != 0) {
        sp_printf("Hex string's length must be even number\n");
        return;
    }
    if ((size_t)bbed_env.block_offset + length / 2 > bbed_env.block_size) {
        sp_printf("Hex string is too long\n");
        return;
    }
    ub1 bytes[CMD_TOKEN_MAX_SIZE];
    ub4 n = hex_to_bytes(digits, bytes);
    memcpy(bbed_env.modified_buffer + bbed_env.block_offset, bytes, n);
    dump_block_hex(bbed_env.modified_buffer, bbed_env.block_offset, bbed_env.block_size);
}

void do_bbed_find(LINE_ARRAY tokens, int count)
{
    if (count != 1 && count != 2) {
        show_cmd_format(CMD_BBED_FIND);
        return;
    }
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for finding\n\n");
        return;
    }
    if (count == 2) {
        const char* digits = skip_hex_prefix(tokens[1]);
        size_t length = strlen(digits);
        if (length == 0) {
            sp_printf("Nothing for finding\n");
            return;
        }
        if (!is_hex_str(digits)) {
            sp_printf("Invalid hex string\n");
            return;
        }
        if (length > (size_t)FIND_STRING_MAX_LEN) {
            sp_printf("Finding string's length must be less than %u\n\n", (ub4)FIND_STRING_MAX_LEN);
            return;
        }
        memcpy(bbed_env.last_find_string, digits, length + 1);
        bbed_env.last_found_offset = INVALID_FOUND_OFFSET;
    } else if (bbed_env.last_find_string[0] == '\0') {
        sp_printf("You must specify the find string.\n\n");
        return;
    }
    ub1 pattern[FIND_STRING_MAX_LEN / 2 + 1];
    ub4 length = hex_to_bytes(bbed_env.last_find_string, pattern);
    ub4 block_size = bbed_env.block_size;
    const ub1* block = bbed_env.modified_buffer;
    ub4 start = bbed_env.last_found_offset != INVALID_FOUND_OFFSET ? (ub4)bbed_env.last_found_offset + 1
                                                                    : bbed_env.block_offset;
    // Forward from the start to the last place the pattern fits, then
    // around from the block's first byte.
    ub4 last = length <= block_size ? block_size - length + 1 : 0;
    long found = search_bytes(block, start < last ? start : last, last, pattern, length);
    if (found < 0)
        found = search_bytes(block, 0, start < last ? start : last, pattern, length);
    if (found < 0) {
        sp_printf("Can not found the string.\n\n");
        return;
    }
    bbed_env.last_found_offset = (ub2)found;
    bbed_env.block_offset = (ub4)found;
    dump_block_hex(block, bbed_env.block_offset, block_size);
}

void do_bbed_corrupt(LINE_ARRAY, int count)
{
    if (count != 1) {
        show_cmd_format(CMD_BBED_CORRUPT);
        return;
    }
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for marking corruption\n\n");
        return;
    }
    bbed_env.modified_buffer[BBED_SEQ_OFFSET] = BBED_CORRUPT_SEQ;
    sp_printf("Current block has marked corruption.\n\n");
}
