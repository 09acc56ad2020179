#include "storage/asm_block_pos.h"

#include "base/printer.h"

namespace {

void set_invalid(ub4* extent_id, ub4* block_in_extent, ub4* continue_blocks)
{
    *extent_id = INVALID_ASM_EXTENT_ID;
    *block_in_extent = 0;
    *continue_blocks = 0;
}

} // namespace

// Virtual extents are numbered from 0; u below is the 1-based AU ordinal the
// block would have if every extent were one AU. Beyond 20000 extents (with
// variable-size extents on) the zone arithmetic folds the larger extents back
// into virtual extent numbers; extent_id is the physical slot of copy 0.
void calc_asm_block_pos(const ASM_BLOCK_GEOMETRY* g, ub4 n, ub4* extent_id, ub4* block_in_extent,
                        ub4* continue_blocks)
{
    const ub4 B = g->block_size;
    const ub4 W = g->stripe_width;
    const ub4 S = g->stripe_size;
    const ub4 C = g->extent_copys;
    const ub4 A = g->au_size;
    const ub4 V = g->variable_size_extent;

    if (B == 0 || A / B == 0) {
        set_invalid(extent_id, block_in_extent, continue_blocks);
        return;
    }
    const ub4 P = A / B;
    const ub4 u = n / P + 1;
    if (S >= 32) {
        sp_printf("invalid stripe_size.\n");
        set_invalid(extent_id, block_in_extent, continue_blocks);
        return;
    }
    const ub4 K = (ub4)(1u << S) / B;

    ub4 X1, X2;
    if (V == VARIABLE_SIZE_EXTENT_VER1110) {
        X1 = VARIABLE_SIZE_EXTENT_AU_CNT11;
        X2 = VARIABLE_SIZE_EXTENT_AU_CNT12;
    } else {
        X1 = VARIABLE_SIZE_EXTENT_AU_CNT21;
        X2 = VARIABLE_SIZE_EXTENT_AU_CNT22;
    }
    const ub4 Z1 = VARIABLE_SIZE_EXTENT_ZONE1;
    int zone = 1;
    if (V != 0 && u > Z1)
        zone = u <= Z1 + Z1 * X1 ? 2 : 3;

    if (W <= 1) {
        ub4 block, count, e;
        if (zone == 1) {
            *extent_id = (u - 1) * C;
            block = n % P;
            count = P - block;
        } else if (zone == 2) {
            e = (u - (Z1 + 1)) / X1 + (Z1 + 1);
            *extent_id = (e - 1) * C;
            ub4 r = n - Z1 * P - (e - (Z1 + 1)) * X1 * P;
            block = r % (X1 * P);
            count = X1 * P - block;
        } else {
            ub4 u3 = u - Z1 * X1 - Z1;
            e = (u3 - 1) / X2 + (VARIABLE_SIZE_EXTENT_ZONE2 + 1);
            *extent_id = (e - 1) * C;
            ub4 r = n - Z1 * P - Z1 * X1 * P - (e - (VARIABLE_SIZE_EXTENT_ZONE2 + 1)) * X2 * P;
            block = r % (X2 * P);
            count = X2 * P - block;
        }
        *block_in_extent = block;
        *continue_blocks = count;
        return;
    }

    // Striped: sets of W consecutive virtual extents, filled K blocks at a
    // time round the set.
    if (K == 0) {
        set_invalid(extent_id, block_in_extent, continue_blocks);
        return;
    }
    ub4 f, r;
    if (zone == 1) {
        f = W * ((u - 1) / W);
        r = n - f * P;
    } else if (zone == 2) {
        f = W * ((u - (Z1 + 1)) / (W * X1)) + Z1;
        r = n - Z1 * P - (f - Z1) * X1 * P;
    } else {
        ub4 u3 = u - Z1 * X1 - Z1;
        f = W * ((u3 - 1) / (W * X2)) + VARIABLE_SIZE_EXTENT_ZONE2;
        r = n - Z1 * P - Z1 * X1 * P - (f - VARIABLE_SIZE_EXTENT_ZONE2) * X2 * P;
    }
    ub4 q = r / K;
    *extent_id = (f + q % W) * C;
    ub4 block = (q / W) * K + r % K;
    *block_in_extent = block;
    *continue_blocks = K - block % K;
}

void calc_asm_file_block_pos(const KFFFDB* kfffdb, ub4 block_no, ub4* extent_id, ub4* block_in_extent,
                             ub4* continue_blocks)
{
    ASM_BLOCK_GEOMETRY g;
    g.block_size = kfffdb->blkSize;
    g.stripe_width = kfffdb->strpwdth;
    g.stripe_size = kfffdb->strpsz;
    g.extent_copys = kfffdb->extent_copys;
    g.au_size = kfffdb->disk_group != nullptr ? kfffdb->disk_group->au_size : 0;
    g.variable_size_extent = kfffdb->disk_group != nullptr ? kfffdb->disk_group->variable_size_extent : 0;
    calc_asm_block_pos(&g, block_no, extent_id, block_in_extent, continue_blocks);
}

bool check_asmfile_geometry(const KFFFDB* kfffdb)
{
    ub4 au_size = kfffdb->disk_group != nullptr ? kfffdb->disk_group->au_size : 0;
    if (kfffdb->blkSize == 0 || kfffdb->blkSize > au_size || kfffdb->blkSize > ASM_FILE_MAX_BLOCK_SIZE) {
        sp_printf("asm file %u can not be read: block size %u, au size %u.\n", kfffdb->file_number,
                  kfffdb->blkSize, au_size);
        return false;
    }
    // An unstriped file never looks at its stripe size.
    if (kfffdb->strpwdth > 1 && (kfffdb->strpsz >= 32 || ((ub4)1u << kfffdb->strpsz) < kfffdb->blkSize)) {
        sp_printf("asm file %u can not be read: stripe size 2^%u does not hold a block of %u bytes.\n",
                  kfffdb->file_number, kfffdb->strpsz, kfffdb->blkSize);
        return false;
    }
    return true;
}
