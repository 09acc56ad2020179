#pragma once
// Command handlers that live outside the shell, gathered for the dispatcher.

#include "asmcmd/asmcmd_module.h"
#include "bbed/bbed_module.h"
#include "blocks/dump_cmd.h"
#include "output/unexp.h"
#include "scan/scan_cmd.h"
#include "unload/list_desc.h"
#include "unload/unload_cmd.h"
#include "storage/copy_datafile.h"
#include "storage/datafile_registry.h"
#include "storage/discover.h"
#include "storage/hexdump.h"
