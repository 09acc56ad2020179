#pragma once
// One complete column value handed to the callbacks under the rules every
// decoder shares: a column that is not unloaded is stepped over, a LOB
// locator goes to the LOB reader, any other value is converted and
// delivered; a value that does not convert is still delivered, as a NULL.
// Used where values never span row pieces: the columns of compressed rows
// and the key columns of index-organized rows.

#include "engine/row_decode.h"

// Delivers the value (is_null for a NULL) as the cursor's current column
// and moves the cursor on. Does nothing once the row has all its columns.
// FALSE when memory ran out (the cursor is then stopped).
int deliver_whole_value(PROW_CURSOR cursor, const ub1* data, ub4 length, bool is_null, PUNLOAD_PARAMS params,
                        const UNLOAD_CALLBACKS* callbacks);
