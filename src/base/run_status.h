#pragma once
// Whether a command failed to write its output (a data, control, script,
// LOB, dictionary cache or spool file). The shell asks after every command:
// when the command came from a file or a pipe, the program ends with
// ZEM_EXIT_OUTPUT_FAILED, so that scripts can tell.

constexpr int ZEM_EXIT_OK = 0;
constexpr int ZEM_EXIT_OUTPUT_FAILED = 1; // a command read from a file or a pipe could not write its output
constexpr int ZEM_EXIT_USAGE = 2;         // an unknown command-line option

void note_output_failure();
// Whether a failure was noted since the last call; clears it.
bool take_output_failure();
