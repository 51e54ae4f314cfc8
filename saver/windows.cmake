# ZelvoSav.scr: the saver's sources, the forms core and its Win32 platform, and the
# resources (icon, pointer, pictures, version) that ZelvoSav.rc names.
# The icon group 1 must hold the image as icon resource 30001, which windres's ICON
# statement cannot number: split the .ico into raw RT_ICON / RT_GROUP_ICON data.
set(ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icon)
add_custom_command(OUTPUT ${ICON_DIR}/icon_image.bin ${ICON_DIR}/icon_group.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ICON_DIR}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/split-icon ${CMAKE_CURRENT_SOURCE_DIR}/assets/zelvosav.ico 30001
          ${ICON_DIR}/icon_image.bin ${ICON_DIR}/icon_group.bin
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/zelvosav.ico ${CMAKE_SOURCE_DIR}/scripts/split-icon)
# The header picture travels packed losslessly as a GIF (6.5 KB instead of 71 KB),
# decoded at run time into the same 320 x 224 pixels.
add_custom_command(OUTPUT ${ICON_DIR}/header.gif
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/pack-bmp ${CMAKE_CURRENT_SOURCE_DIR}/assets/header.bmp ${ICON_DIR}/header.gif
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/header.bmp ${CMAKE_SOURCE_DIR}/scripts/pack-bmp
          ${CMAKE_CURRENT_SOURCE_DIR}/assets/generate.py)
win_resource_depends(ZelvoSav.rc DIRS ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/assets
  GENERATED ${ICON_DIR}/header.gif ${ICON_DIR}/icon_image.bin ${ICON_DIR}/icon_group.bin)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${ICON_DIR} -I${CMAKE_CURRENT_SOURCE_DIR} -I${CMAKE_CURRENT_SOURCE_DIR}/assets")
win_program(zelvosav ZelvoSav.scr SOURCES ${SAVER_CORE} ${FORMS_CORE_SOURCES} ${FORMS_WIN32_SOURCES}
            main_win32.cpp ZelvoSav.rc)
target_include_directories(zelvosav PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${FORMS_INCLUDE} ${FORMS_INCLUDE}/win32)
target_include_directories(zelvosav SYSTEM PRIVATE /usr/include/stb)
