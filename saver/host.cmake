# saver_core, the saver on the headless platform for the unit tests and fuzz targets,
# and, where the X11 platform is built, zelvosav (zelvosav-x11.cmake).
add_library(saver_core STATIC ${SAVER_CORE})
target_include_directories(saver_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(saver_core PUBLIC forms_headless)
if(TARGET forms_x11)
  include(zelvosav-x11.cmake)
endif()
