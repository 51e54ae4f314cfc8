// Behaviours of the registry, profile and file functions that the installer's safety
// rests on, as rows written against the installer's system interface (sys.h). The
// unit tests run them on the in-memory double; e2e-platform-table.exe runs the same
// rows on Windows (Wine set to Windows 95), so that the double cannot drift from the
// platform it stands in for.
#pragma once
#include <stdint.h>

struct PlatformRow {
    const char* name;
    // Runs the row; false, with what differed in detail (256 bytes), when it fails.
    bool (*run)(char* detail);
};

extern const PlatformRow PLATFORM_ROWS[];
extern const int PLATFORM_ROW_COUNT;

// Supplied by each side: writes a whole file (raw bytes), the one thing the rows need
// that the installer never does.
bool PlatformWriteFile(const char* path, const char* data);
