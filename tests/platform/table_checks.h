// The checks that the rows of both platform tables make: a failed one says which line
// and what it found in the row's detail (256 bytes) and ends the row.
#pragma once
#include <stdio.h>

#define CHECK(condition)                                                     \
    do {                                                                     \
        if (!(condition)) {                                                  \
            snprintf(detail, 256, "line %d: %s", __LINE__, #condition);      \
            return false;                                                    \
        }                                                                    \
    } while (0)

#define CHECK_EQ(got, want)                                                            \
    do {                                                                               \
        long long g_ = (long long)(got), w_ = (long long)(want);                       \
        if (g_ != w_) {                                                                \
            snprintf(detail, 256, "line %d: %s is %lld, not %lld", __LINE__, #got, g_, w_); \
            return false;                                                              \
        }                                                                              \
    } while (0)
