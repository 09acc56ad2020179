// The cache header and file header dumps, and the dispatch by block type.

#include "blocks/block_dump.h"

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/block_names.h"
#include "blocks/file_header.h"

void show_dump_damage(const char* what, size_t offset)
{
    sp_printf("*** damaged: %s at offset %zu does not fit in the block ***\n", what, offset);
}

void show_hex_bytes(const ub1* bytes, ub4 count)
{
    // Formatted in pieces so that a long value is one printer call per
    // piece, not one per byte.
    static const char digits[] = "0123456789abcdef";
    char text[3 * 64 + 1];
    for (ub4 done = 0; done < count;) {
        ub4 n = count - done < 64 ? count - done : 64;
        for (ub4 i = 0; i < n; i++) {
            ub1 b = bytes[done + i];
            text[3 * i] = ' ';
            text[3 * i + 1] = digits[b >> 4];
            text[3 * i + 2] = digits[b & 0x0f];
        }
        text[3 * n] = '\0';
        sp_printf("%s", text);
        done += n;
    }
}

void show_block_header(const BLOCK_HEADER* header)
{
    sp_printf("Block Header:\n");
    sp_printf("block type=0x%02x (%s)\n", header->block_type, get_block_type_name(header->block_type));
    sp_printf("block format=0x%02x (%s)\n", header->block_format, get_block_format_name(header->block_format));
    sp_printf("block rdba=0x%08x (file#=%u, block#=%u)\n", header->rdba, rdba_file_no(header->rdba, NO_TS),
              rdba_block_no(header->rdba, NO_TS));
    sp_printf("scn=0x%04x.%08x, seq=%u, tail=0x%08x\n", header->scn_wrap, header->scn_base, header->seq,
              header->tail);
    sp_printf("block checksum value=0x%x=%u, flag=%u\n", header->chkval, header->chkval, header->flag);
}

void show_file_header(const ub1* buffer, const BLOCK_HEADER* block_header, ub4 block_size)
{
    DATAFILE_HEADER header;
    sp_printf("File Header:\n");
    if (!get_datafile_header(buffer, &header, block_header, block_size)) {
        // A format byte no release writes: the layout of the rest is unknown.
        sp_printf("*** damaged: block format 0x%02x has no known file header layout ***\n",
                  block_header->block_format);
        return;
    }
    sp_printf("Db Id=0x%x=%u, ", header.db_id, header.db_id);
    sp_printf("Db Name=%s, Root Dba=0x%x\n", header.db_name, header.root_dba);
    sp_printf("Software vsn=0x%x, Compatibility Vsn=0x%x, File Size=0x%x=%u Blocks\n", header.version,
              header.compat_version, header.file_size, header.file_size);
    sp_printf("File Type=0x%x (%s), ", header.file_type, get_file_type_name(header.file_type));
    sp_printf("File Number=%u, Block Size=%u\n", header.file_no, header.block_size);
    sp_printf("Tablespace #%u - %s rel_fn:%u", header.tbs_no, header.tbs_name, header.relative_fn);
    sp_printf("\n");
}

namespace {

void show_data_or_index_block(const ub1* buffer, ub4 block_size, int header_only)
{
    DATABLOCK_HEADER header;
    get_datablock_header(buffer, &header, block_size);
    if (header.block_type == DBT_DATA)
        show_datablock_header(buffer, &header, block_size, header_only);
    else if (header.block_type == DBT_INDEX)
        show_index_header(buffer, &header, block_size, header_only);
}

} // namespace

void ora_dump_block(const ub1* buffer, ub4 block_size, int header_only)
{
    BLOCK_HEADER header;
    if (!get_block_header(buffer, &header, block_size)) {
        show_dump_damage("the cache header and tail", 0);
        return;
    }
    show_block_header(&header);
    // A fractured block is the one a DBA most needs to see: say so, then
    // show what its bytes hold.
    if (config_data.db_block_checksum && !block_tail_match(&header))
        sp_printf("corrupted block.\n");
    if (block_size < BLOCK_MIN_SIZE) {
        show_dump_damage("the type-specific header", BLOCK_HEADER_SIZE);
        return;
    }
    switch (header.block_type) {
    case BT_DATA:
        show_data_or_index_block(buffer, block_size, header_only);
        break;
    case BT_FILE_HEADER:
        show_file_header(buffer, &header, block_size);
        break;
    case BT_COMPAT_SEG:
        show_compatblock_header(buffer, block_size, header_only);
        break;
    case BT_UUNDO_HEADER:
    case BT_SYS_UNDO_HEADER:
        show_undo_segment_header(buffer, header.block_type, block_size, header_only);
        break;
    case BT_UDATA_HEADER:
        show_flm_header(buffer, block_size, header_only);
        break;
    case BT_EXTENT_MAP:
        show_emb_block(buffer, block_size, header_only);
        break;
    case BT_LOB_DATA:
    case BT_MLOB_DATA:
        show_lob_data_block(buffer, block_size, header_only);
        break;
    case BT_ASSM_HEADER:
        show_assm_header(buffer, block_size, header_only);
        break;
    case BT_ASSM_EXTENT_MAP:
        show_assm_emb_block(buffer, block_size, header_only);
        break;
    default:
        break;
    }
}
