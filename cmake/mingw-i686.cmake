# Cross build for 32-bit Windows with Debian's mingw-w64 toolchain.
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
set(WIN_ENTRY_SYMBOL _WinMainCRTStartup)
# The least processor Windows 95 runs on: an 80386 with a 387 (or the 387 that
# Windows emulates). Debian's compiler would otherwise use Pentium Pro instructions
# (CMOVcc, FCOMI); the assembler refuses anything newer, so nothing slips through.
set(WIN_ARCH_FLAGS -march=i386 -Wa,-march=i386+387)
# Windows 95 loads a program at its preferred base and never relocates it, so the
# relocations that the linker adds by default only make the file larger.
set(WIN_ARCH_LINK_FLAGS -Wl,--disable-reloc-section)
# The shipped programs are optimised for size across all their files at link time.
set(WIN_LTO ON)
