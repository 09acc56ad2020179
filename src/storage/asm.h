#pragma once
// Everything other subsystems use of ASM: disk groups, file names, file
// directory entries, extent maps, block positions and reads.

#include "storage/asm_alias.h"
#include "storage/asm_block_pos.h"
#include "storage/asm_datafile.h"
#include "storage/asm_disk_header.h"
#include "storage/asm_disk_list.h"
#include "storage/asm_extent_map.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_name.h"
#include "storage/asm_read.h"
#include "storage/asm_types.h"
