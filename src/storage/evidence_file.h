#pragma once
// Datafiles and ASM disks are evidence: nothing but the block editor ever
// writes to them, whatever name an output path reaches them by.

// TRUE when `path` names (through any link) a registered plain datafile or a
// listed ASM disk that is open.
int is_evidence_file(const char* path);
