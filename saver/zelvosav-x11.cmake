# zelvosav: the saver as an XScreenSaver hack, on the X11 platform. The saver's own
# sources as they are, a Linux entry point, and the GIF pictures that ZelvoSav.rc names.
set(SAVER_PICTURES_CPP ${CMAKE_CURRENT_BINARY_DIR}/saver_pictures.cpp)
file(GLOB SAVER_GIFS ${CMAKE_CURRENT_SOURCE_DIR}/assets/*.gif)
add_custom_command(OUTPUT ${SAVER_PICTURES_CPP}
  COMMAND ${CMAKE_COMMAND} -DRC=${CMAKE_CURRENT_SOURCE_DIR}/ZelvoSav.rc -DASSETS=${CMAKE_CURRENT_SOURCE_DIR}/assets
          -DOUT=${SAVER_PICTURES_CPP} -P ${CMAKE_SOURCE_DIR}/cmake/embed-pictures.cmake
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ZelvoSav.rc ${SAVER_GIFS} ${CMAKE_SOURCE_DIR}/cmake/embed-pictures.cmake)

add_executable(zelvosav_x11 ${SAVER_CORE} main_x11.cpp hack_options.cpp ${SAVER_PICTURES_CPP})
set_target_properties(zelvosav_x11 PROPERTIES OUTPUT_NAME zelvosav RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(zelvosav_x11 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zelvosav_x11 PRIVATE forms_x11)
target_compile_options(zelvosav_x11 PRIVATE -O2)

# The manual page, compressed as manual pages are installed (no name or time in the
# gzip header, so the same page gives the same bytes).
set(ZELVOSAV_MAN ${CMAKE_CURRENT_BINARY_DIR}/zelvosav.6x.gz)
add_custom_command(OUTPUT ${ZELVOSAV_MAN}
  COMMAND sh -c "gzip -9nc \"$1\" >\"$2\"" gzip ${CMAKE_CURRENT_SOURCE_DIR}/zelvosav.6x ${ZELVOSAV_MAN}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/zelvosav.6x VERBATIM)
add_custom_target(zelvosav_man ALL DEPENDS ${ZELVOSAV_MAN})

# Where distributions keep XScreenSaver's hacks, their settings descriptions and their
# manual pages (section 6x, as XScreenSaver's own hacks).
install(TARGETS zelvosav_x11 DESTINATION libexec/xscreensaver)
install(FILES zelvosav.xml DESTINATION share/xscreensaver/config)
install(FILES ${ZELVOSAV_MAN} DESTINATION share/man/man6)
