#include "storage/readable_block.h"

ub8 find_readable_block(ub8 failed, ub8 end, ub8 max_step, READ_ONE_BLOCK read_one, void* context)
{
    if (max_step < 1)
        max_step = 1;
    ub8 dead = failed, live = end, step = 1;
    while (dead + 1 < end) {
        ub8 probe = end - dead > step ? dead + step : end - 1;
        if (read_one(context, probe)) {
            live = probe;
            break;
        }
        dead = probe;
        step = step * 2 < max_step ? step * 2 : max_step;
    }
    while (live - dead > 1) {
        ub8 middle = dead + (live - dead) / 2;
        if (read_one(context, middle))
            live = middle;
        else
            dead = middle;
    }
    return live;
}
