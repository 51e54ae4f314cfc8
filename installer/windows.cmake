# decorama.exe: the installer's core, its Win32 layer (win32/) and its resources.
list(TRANSFORM INSTALLER_CORE_SOURCES PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/")
win_program(decorama decorama.exe SOURCES
  ${INSTALLER_CORE_SOURCES}
  win32/main.cpp win32/sys_win32.cpp win32/dialogs.cpp
  resources/decorama.rc)
set_property(SOURCE resources/decorama.rc APPEND PROPERTY INCLUDE_DIRECTORIES
  "${CMAKE_CURRENT_SOURCE_DIR}/resources")
win_resource_depends(resources/decorama.rc DIRS ${CMAKE_CURRENT_SOURCE_DIR}/resources)
