# Cross build of the same sources for 64-bit Windows. Only the end-to-end tests use it,
# on machines whose kernel cannot run Wine's 32-bit loader; the shipped programs are 32-bit.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
set(WIN_ENTRY_SYMBOL WinMainCRTStartup)
# No link-time optimisation: this linker crashes on such objects (binutils 2.40).
set(WIN_LTO OFF)
