# The windows build: the flags of programs that run on the first Windows 95 release (no
# C run-time DLL, no exceptions or RTTI, our own start-up from runtime/, subsystem
# version 4.0), win_program to link one, and win_resource_depends for its resources.
# No -fdata-sections: with it this compiler puts zero-filled statics into .data$
# sections, stored in the file, instead of .bss, which costs nothing on disk.
# Small functions stay calls and data keeps only the alignment the ABI asks for: both
# make the programs smaller, and neither is felt in what they do.
set(WIN_CXX_FLAGS ${WIN_ARCH_FLAGS} -Os -fno-inline-small-functions -malign-data=abi -fomit-frame-pointer -ffreestanding -fno-exceptions -fno-rtti
    -fno-asynchronous-unwind-tables -fno-threadsafe-statics -fno-stack-protector -ffunction-sections)
add_compile_options("$<$<COMPILE_LANGUAGE:CXX,C>:${WIN_CXX_FLAGS}>")
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0300)
enable_language(RC)

# win_program(TARGET OUTPUT_NAME SOURCES... LIBS ...): a windowed program linked without the C run-time.
function(win_program target outname)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} WIN32 ${P_SOURCES})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME "${outname}" SUFFIX ""
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}" INTERPROCEDURAL_OPTIMIZATION ${WIN_LTO})
  target_link_options(${target} PRIVATE ${WIN_ARCH_FLAGS} -Os -nostdlib -nostartfiles -Wl,-e,${WIN_ENTRY_SYMBOL}
    -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--gc-sections -s ${WIN_ARCH_LINK_FLAGS})
  target_link_libraries(${target} PRIVATE w95rt ${P_LIBS} kernel32 user32 gdi32 advapi32 comctl32 gcc)
endfunction()

# win_resource_depends(RC DIRS dir... [GENERATED file...]): the compiled resources of RC
# depend on every file its statements name in double quotes (icons, cursors, pictures,
# raw data), looked up as windres looks them up: a file made by the build (GENERATED),
# else the first of DIRS that holds it. A named file found nowhere stops the configure
# step; the script is read again whenever it changes.
function(win_resource_depends rc)
  cmake_parse_arguments(R "" "" "DIRS;GENERATED" ${ARGN})
  get_filename_component(rc_path ${rc} ABSOLUTE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rc_path})
  file(STRINGS ${rc_path} statements REGEX "^[ \t]*[A-Za-z0-9_]+[ \t]+[A-Za-z0-9_]+[ \t]+\"[^\"]+\"")
  set(deps)
  foreach(statement ${statements})
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" name "${statement}")
    set(path "")
    foreach(made ${R_GENERATED})
      get_filename_component(made_name ${made} NAME)
      if(made_name STREQUAL name)
        set(path ${made})
      endif()
    endforeach()
    foreach(dir ${R_DIRS})
      if(NOT path AND EXISTS ${dir}/${name})
        set(path ${dir}/${name})
      endif()
    endforeach()
    if(NOT path)
      message(FATAL_ERROR "${rc} names \"${name}\", which is neither made by the build nor in ${R_DIRS}")
    endif()
    list(APPEND deps ${path})
  endforeach()
  set_property(SOURCE ${rc_path} APPEND PROPERTY OBJECT_DEPENDS ${deps})
endfunction()
