// RAW values and rowids.
// Extended rowid, 10 bytes, big-endian whatever the file's byte order:
//   off size field
//     0    4 data object number
//     4    4 block address (relative file and block)
//     8    2 row slot
// Restricted rowid, 6 bytes: block address at 0, row slot at 4. The block
// address is split as in a small-file tablespace.

#include "base/byte_order.h"
#include "base/rdba.h"
#include "base/rowid.h"
#include "convert/column_convert.h"

namespace {

constexpr ub4 ROWID_MAX_ROW = 2000;  // slots per block, far above any real block
constexpr ub4 ROWID_MAX_FILE = 1025; // relative file numbers stop at 1024

const char HEX_DIGITS[] = "0123456789ABCDEF";

} // namespace

void fill_2_hex(char* out, ub1 byte)
{
    out[0] = HEX_DIGITS[byte >> 4];
    out[1] = HEX_DIGITS[byte & 0x0F];
}

void raw_to_hex(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    char* out = (char*)get_col_value_buffer(col_data, (size_t)length * 2 + 1);
    if (out == nullptr) {
        col_data->is_null = 1;
        return;
    }
    for (ub4 i = 0; i < length; i++)
        fill_2_hex(out + 2 * (size_t)i, data[i]);
    out[(size_t)length * 2] = '\0';
    col_data->data_len = length * 2;
    col_data->data_type = CDT_TEXT;
    col_data->is_null = 0;
}

void raw_to_raw(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    set_col_bytes(col_data, data, length);
}

void raw_to_rowid(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    char text[EXT_ROWID_STR_LEN + 1];
    if (length == ROWID_EXT_MAX_LEN) {
        ub4 rdba = get_ub4_big(data, 4);
        encode_rowid(text, get_ub4_big(data, 0), rdba_file_no(rdba, MAX_TS_COUNT), rdba_block_no(rdba, MAX_TS_COUNT),
                     get_ub2_big(data, 8));
    } else if (length == ROWID_MAX_LEN) {
        ub4 rdba = get_ub4_big(data, 0);
        encode_short_rowid(text, rdba_file_no(rdba, MAX_TS_COUNT), rdba_block_no(rdba, MAX_TS_COUNT),
                           get_ub2_big(data, 4));
    } else {
        clear_col_value(col_data);
        col_data->is_null = 1;
        return;
    }
    set_col_text(col_data, text, EXT_ROWID_STR_LEN);
}

int check_rowid(const ub1* data, ub4 length)
{
    ub4 object, rdba, row;
    if (length == ROWID_EXT_MAX_LEN) {
        object = get_ub4_big(data, 0);
        rdba = get_ub4_big(data, 4);
        row = get_ub2_big(data, 8);
    } else if (length >= ROWID_MAX_LEN) {
        object = 1;
        rdba = get_ub4_big(data, 0);
        row = get_ub2_big(data, 4);
    } else {
        return 0;
    }
    return object != 0 && row < ROWID_MAX_ROW && rdba_file_no(rdba, MAX_TS_COUNT) < ROWID_MAX_FILE;
}
