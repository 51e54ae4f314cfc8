// Tiny string helpers for zero-terminated 8-bit strings in fixed buffers.
#pragma once
#include <stdint.h>

uint32_t TextLength(const char* text);
// Copies src into dst (capacity bytes). False, with dst holding as much as fits,
// when src is too long.
bool TextCopy(char* dst, const char* src, uint32_t capacity);
// Appends src to dst (capacity bytes). False, with dst holding as much as fits,
// when the result is too long.
bool TextAppend(char* dst, const char* src, uint32_t capacity);
// Appends the decimal form of value.
bool TextAppendNumber(char* dst, uint32_t value, uint32_t capacity);
// Appends value in upper-case hexadecimal, at least digits digits (0: as few as it needs).
bool TextAppendHex(char* dst, uint32_t value, int digits, uint32_t capacity);
// Copies n characters of src (or fewer, up to its end) and terminates.
bool TextCopyCount(char* dst, const char* src, uint32_t n, uint32_t capacity);
bool TextEqual(const char* a, const char* b);
// True when text begins with prefix (exact comparison).
bool TextStartsWith(const char* text, const char* prefix);
// True when text begins with prefix, letters compared without regard to case.
bool TextStartsWithNoCase(const char* text, const char* prefix);
bool TextEqualNoCase(const char* a, const char* b);
char LowerLetter(char c);
