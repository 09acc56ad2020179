#pragma once
// A builder database whose USERS file is moved into an ASM disk group with
// some of its extents lost, so that reads of them fail.

#include <cstdint>

#include "support/e2e.h"

constexpr uint32_t LOST_AU_SIZE = 64 * 1024;

// Puts the USERS file into disk group DATA as file 256, the extents holding
// blocks [from, to) lost: their map entries point past the disk. `from` and
// `to` are rounded down to whole allocation units.
void move_users_to_asm(const E2eDatabase& db, uint32_t from, uint32_t to);
