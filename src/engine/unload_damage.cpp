#include "engine/unload_damage.h"

#include <cstring>

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
    if (damage->address_cnt < DMG_FIRST_ADDRESSES)
        damage->addresses[damage->address_cnt++] = DAMAGE_ADDRESS{file_no, block_no, (ub1)reason};
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
    for (ub4 i = 0; i < part->address_cnt && total->address_cnt < DMG_FIRST_ADDRESSES; i++)
        total->addresses[total->address_cnt++] = part->addresses[i];
}

const char* get_damage_reason_text(int reason)
{
    static const char* const texts[DMG_REASON_COUNT] = {
        "unreadable",        "tail mismatch",       "marked corrupt",      "checksum mismatch",
        "not a data block",  "damaged header",      "other data object",   "cannot be decoded",
    };
    return reason >= 0 && reason < DMG_REASON_COUNT ? texts[reason] : "unknown";
}
