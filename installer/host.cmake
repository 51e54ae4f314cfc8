# installer_core: the installer's core as a library, which the unit tests and the fuzz
# targets link with the in-memory system double (tests/installer).
add_library(installer_core STATIC ${INSTALLER_CORE_SOURCES})
target_include_directories(installer_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
