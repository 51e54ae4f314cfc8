// Error codes of the system calls behind sys.h that the installer never tells apart,
// with their Win32 values: the installer's double gives them where the real calls do,
// and the platform table checks that both agree.
#pragma once
#include <stdint.h>

enum : uint32_t {
    SYS_ERROR_NO_MORE_FILES = 18,      // a file search has given every match
    SYS_ERROR_SHARING_VIOLATION = 32,  // the file is open
    SYS_ERROR_NEGATIVE_SEEK = 131,     // a seek before the start of the file
    SYS_ERROR_MORE_DATA = 234,
    SYS_ERROR_DIRECTORY = 267,
    SYS_ERROR_KEY_DELETED = 1018,      // a registry key used after its deletion
};
