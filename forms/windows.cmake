# The Win32 platform's sources, which ZelvoSav.scr and the forms platform table
# (tests/platform) compile with the core's.
set(FORMS_WIN32 win32_platform.cpp win32_painting.cpp win32_sync.cpp win32_messages.cpp gif_picture.cpp)
list(TRANSFORM FORMS_WIN32 PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/win32/)
set(FORMS_WIN32_SOURCES ${FORMS_WIN32} PARENT_SCOPE)
