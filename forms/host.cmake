# forms_headless, the core on the headless platform for the tests, which keeps its INI
# files through the profile model of doubles/; and the X11 platform (x11/). Both run
# their timers on a clock of their own, through the same schedule.
set(FORMS_TIMER_SCHEDULE ${CMAKE_CURRENT_SOURCE_DIR}/timer_schedule.cpp)
add_library(forms_headless STATIC ${FORMS_CORE} ${FORMS_TIMER_SCHEDULE} headless/headless_platform.cpp)
target_include_directories(forms_headless PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/headless)
target_link_libraries(forms_headless PRIVATE profile_model)
if(NOT ZELVO_FUZZ)
  add_subdirectory(x11)
endif()
