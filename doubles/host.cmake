# profile_model: the profile (INI) model that the saver's headless platform and the
# installer's system double (and so the fuzz targets) keep their files through.
add_library(profile_model STATIC profile_model.cpp)
target_include_directories(profile_model PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
