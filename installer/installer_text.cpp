// Tiny string helpers for zero-terminated 8-bit strings in fixed buffers.
#include "installer_text.h"

uint32_t TextLength(const char* text) {
    uint32_t n = 0;
    while (text[n]) ++n;
    return n;
}

bool TextCopy(char* dst, const char* src, uint32_t capacity) {
    if (capacity == 0) return false;
    dst[0] = 0;
    return TextAppend(dst, src, capacity);
}

bool TextAppend(char* dst, const char* src, uint32_t capacity) {
    uint32_t n = TextLength(dst);
    if (n >= capacity) return false;
    while (*src && n + 1 < capacity) dst[n++] = *src++;
    dst[n] = 0;
    return *src == 0;
}

bool TextAppendNumber(char* dst, uint32_t value, uint32_t capacity) {
    char digits[12];
    int i = 11;
    digits[i] = 0;
    do {
        digits[--i] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    return TextAppend(dst, digits + i, capacity);
}

bool TextAppendHex(char* dst, uint32_t value, int digits, uint32_t capacity) {
    char text[9];
    int i = 8;
    text[i] = 0;
    do {
        text[--i] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while ((value || 8 - i < digits) && i > 0);
    return TextAppend(dst, text + i, capacity);
}

bool TextCopyCount(char* dst, const char* src, uint32_t n, uint32_t capacity) {
    if (capacity == 0) return false;
    uint32_t i = 0;
    while (i < n && src[i] && i + 1 < capacity) {
        dst[i] = src[i];
        ++i;
    }
    dst[i] = 0;
    return i == n || src[i] == 0;
}

bool TextEqual(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

bool TextStartsWith(const char* text, const char* prefix) {
    while (*prefix)
        if (*text++ != *prefix++) return false;
    return true;
}

char LowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

bool TextStartsWithNoCase(const char* text, const char* prefix) {
    while (*prefix)
        if (LowerLetter(*text++) != LowerLetter(*prefix++)) return false;
    return true;
}

bool TextEqualNoCase(const char* a, const char* b) {
    while (*a && LowerLetter(*a) == LowerLetter(*b)) ++a, ++b;
    return LowerLetter(*a) == LowerLetter(*b);
}
