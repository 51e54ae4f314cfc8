# Cross build of the same sources for 64-bit Windows. Only the end-to-end tests use it,
# on machines whose kernel cannot run Wine's 32-bit loader; the shipped programs are 32-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(WIN_ENTRY_SYMBOL WinMainCRTStartup)
# No link-time optimisation: this linker crashes on such objects (binutils 2.40).
set(WIN_LTO OFF)
