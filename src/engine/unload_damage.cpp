#include "engine/unload_damage.h"

#include <cstring>

namespace {

bool is_skipped_block(const DAMAGE_ADDRESS& address)
{
    return address.reason < DMG_REASON_COUNT;
}

// Remembers an address among the first few. A skipped block matters more
// than a block whose rows were read in part: when the list is full, it takes
// the place of the last such block, so that a summary counting skipped blocks
// names them.
void put_address(PUNLOAD_DAMAGE damage, const DAMAGE_ADDRESS& address)
{
    if (damage->address_cnt >= DMG_FIRST_ADDRESSES) {
        if (!is_skipped_block(address))
            return;
        ub4 last = DMG_FIRST_ADDRESSES;
        for (ub4 i = 0; i < DMG_FIRST_ADDRESSES; i++)
            if (!is_skipped_block(damage->addresses[i]))
                last = i;
        if (last == DMG_FIRST_ADDRESSES)
            return;
        for (ub4 i = last; i + 1 < DMG_FIRST_ADDRESSES; i++)
            damage->addresses[i] = damage->addresses[i + 1];
        damage->address_cnt--;
    }
    damage->addresses[damage->address_cnt++] = address;
}

void remember_address(PUNLOAD_DAMAGE damage, int reason, ub4 file_no, ub4 block_no)
{
    // A block is named once, however many of its rows suffered.
    for (ub4 i = 0; i < damage->address_cnt; i++)
        if (damage->addresses[i].file_no == file_no && damage->addresses[i].block_no == block_no)
            return;
    put_address(damage, DAMAGE_ADDRESS{file_no, block_no, (ub1)reason});
}

} // namespace

void init_unload_damage(PUNLOAD_DAMAGE damage)
{
    memset(damage, 0, sizeof(*damage));
}

void note_damaged_block(PUNLOAD_DAMAGE damage, int reason, ub4 file_no, ub4 block_no)
{
    if (damage == nullptr)
        return;
    if (reason < 0 || reason >= DMG_REASON_COUNT)
        reason = DMG_UNDECODABLE;
    damage->blocks[reason]++;
    // Blocks of another data object are ordinary in a segment: they are
    // counted, but not named among the damaged ones.
    if (reason != DMG_OTHER_OBJECT)
        put_address(damage, DAMAGE_ADDRESS{file_no, block_no, (ub1)reason});
}

void note_damaged_blocks(PUNLOAD_DAMAGE damage, int reason, ub4 file_no, ub4 block_no, ub8 count)
{
    if (damage == nullptr || count == 0)
        return;
    note_damaged_block(damage, reason, file_no, block_no);
    damage->blocks[reason >= 0 && reason < DMG_REASON_COUNT ? reason : DMG_UNDECODABLE] += count - 1;
}

void note_lost_row(PUNLOAD_DAMAGE damage, ub4 file_no, ub4 block_no)
{
    if (damage == nullptr)
        return;
    damage->rows_lost++;
    remember_address(damage, DMG_ROWS_LOST, file_no, block_no);
}

void note_cut_value(PUNLOAD_DAMAGE damage, ub4 file_no, ub4 block_no)
{
    if (damage == nullptr)
        return;
    damage->values_cut++;
    remember_address(damage, DMG_VALUES_CUT, file_no, block_no);
}

bool has_unload_damage(const UNLOAD_DAMAGE* damage)
{
    for (int i = 0; i < DMG_REASON_COUNT; i++)
        if (i != DMG_OTHER_OBJECT && damage->blocks[i] != 0)
            return true;
    return damage->rows_lost != 0 || damage->values_cut != 0;
}

ub8 get_damaged_block_count(const UNLOAD_DAMAGE* damage)
{
    ub8 total = 0;
    for (ub8 n : damage->blocks)
        total += n;
    return total;
}

void add_unload_damage(PUNLOAD_DAMAGE total, const UNLOAD_DAMAGE* part)
{
    for (int i = 0; i < DMG_REASON_COUNT; i++)
        total->blocks[i] += part->blocks[i];
    total->rows_lost += part->rows_lost;
    total->values_cut += part->values_cut;
    for (ub4 i = 0; i < part->address_cnt && i < DMG_FIRST_ADDRESSES; i++)
        put_address(total, part->addresses[i]);
    if (part->segment_error != 0)
        total->segment_error = part->segment_error;
}

const char* get_damage_reason_text(int reason)
{
    static const char* const texts[DMG_REASON_COUNT] = {
        "unreadable",        "tail mismatch",       "marked corrupt",      "checksum mismatch",
        "not a data block",  "damaged header",      "other data object",   "cannot be decoded",
        "segment header or extent map unreadable", "datafile missing",
    };
    if (reason == DMG_ROWS_LOST)
        return "rows lost";
    if (reason == DMG_VALUES_CUT)
        return "values cut short";
    return reason >= 0 && reason < DMG_REASON_COUNT ? texts[reason] : "unknown";
}
