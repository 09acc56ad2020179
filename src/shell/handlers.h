#pragma once
// Command handlers that live outside the shell, gathered for the dispatcher.

#include "asmcmd/asmcmd_module.h"
#include "bbed/bbed_module.h"
#include "output/unexp.h"
