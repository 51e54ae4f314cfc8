// The platform table on the installer's in-memory double.
#include <gtest/gtest.h>

#include "platform_table.h"
#include "sys_double.h"

bool PlatformWriteFile(const char* path, const char* data) {
    sysdouble::world().AddFile(path, data);
    return true;
}

TEST(PlatformTable, TheDoubleBehavesAsWindows95) {
    sysdouble::Reset();
    sysdouble::world().MakeShortNames();  // as Windows makes them, for the rows that spell paths short
    for (int i = 0; i < PLATFORM_ROW_COUNT; ++i) {
        char detail[256] = "";
        EXPECT_TRUE(PLATFORM_ROWS[i].run(detail)) << PLATFORM_ROWS[i].name << ": " << detail;
    }
}
