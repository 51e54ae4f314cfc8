# w95rt, which every Windows program of the project links: the entry, the heap for
# new and delete, and the memory routines that GCC calls.
add_library(w95rt STATIC nocrt_startup.cpp memory.cpp cxxsupport.cpp)
set_property(TARGET w95rt PROPERTY INTERPROCEDURAL_OPTIMIZATION ${WIN_LTO})
target_include_directories(w95rt PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
