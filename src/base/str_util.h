#pragma once
// Small string and number helpers.

#include <cstddef>

#include "base/types.h"

int base10_16_to_num(const char* text, ub4* value);
int hex_char_to_num(char c);
bool has_hex_prefix_str(const char* text);
bool is_hex_str(const char* text);
bool is_hex_char(char c);
// destination must hold strlen(source) + 1 characters.
char* trim_str(const char* source, char* destination);
int mem_cmp(const void* a, const void* b, size_t length_a, size_t length_b);
int file_exists(const char* name);
char* ltoa(long value, char* text, int base);
void* get_buffer(size_t count, size_t size);
// Copies at most size-1 characters and always terminates; returns false when
// the source did not fit.
bool copy_str(char* destination, size_t size, const char* source);
int str_case_equal(const char* a, const char* b);
// The whole text as an unsigned decimal within 32 bits; false for an empty
// text, any other character, or overflow.
bool parse_decimal_ub4(const char* text, ub4* value);
// Leading decimal digits (anything else reads as 0), saturating at UB4_MAX
// rather than wrapping, so that a huge number cannot turn into a small valid one.
ub4 leading_decimal_ub4(const char* text);
