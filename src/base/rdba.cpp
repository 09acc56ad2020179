#include "base/rdba.h"

#include "base/config.h"

ub1* bigfile_ts_array = nullptr;

bool is_bigfile_ts(ub4 ts_no)
{
    return ts_no < MAX_TS_COUNT && bigfile_ts_array != nullptr && bigfile_ts_array[ts_no] != 0;
}

ub4 rdba_file_no(ub4 rdba, ub4 ts_no)
{
    if (is_bigfile_ts(ts_no))
        return BIG_FILE_RFN;
    ub4 bits = config_data.rdba_block_bits;
    return bits >= 32 ? 0 : rdba >> bits;
}

ub4 rdba_block_no(ub4 rdba, ub4 ts_no)
{
    if (is_bigfile_ts(ts_no))
        return rdba;
    ub4 bits = config_data.rdba_file_bits;
    return bits >= 32 ? 0 : (rdba << bits) >> bits;
}

ub4 file_block_rdba(ub4 rfile_no, ub4 block_no)
{
    if (rfile_no > 1023)
        return block_no;
    ub4 bits = config_data.rdba_block_bits;
    return bits >= 32 ? block_no : block_no | (rfile_no << bits);
}
