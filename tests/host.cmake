# Native unit tests (GoogleTest) and the end-to-end tests that drive the built
# Windows programs under Wine. Each area keeps its tests in its own folder; what the
# tests' doubles share is in doubles/ at the top.
find_package(GTest REQUIRED)
include(GoogleTest)

set(WIN32_BUILD_DIR "${CMAKE_SOURCE_DIR}/build/win32" CACHE PATH "Folder of the 32-bit Windows build")
set(WIN64_BUILD_DIR "${CMAKE_SOURCE_DIR}/build/win64" CACHE PATH "Folder of the 64-bit Windows build")
# The environment of every test under Wine: the builds that wineharness (the package at
# the top of the repository) picks from, and no bytecode written into the source tree.
set(WINE_TEST_ENV "ZELVO_E2E_WIN32_DIR=${WIN32_BUILD_DIR};ZELVO_E2E_WIN64_DIR=${WIN64_BUILD_DIR};PYTHONDONTWRITEBYTECODE=1")

foreach(area saver assets installer e2e fuzz x11)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${area}/CMakeLists.txt")
    add_subdirectory(${area})
  endif()
endforeach()

# Every built program may import only what the first Windows 95 release exports.
add_test(NAME win95_import_audit
  COMMAND ${CMAKE_SOURCE_DIR}/tools/audit-imports ${CMAKE_SOURCE_DIR}/tools/win95-api.txt
          ${WIN32_BUILD_DIR}/ZelvoSav.scr ${WIN32_BUILD_DIR}/decorama.exe)
# ... run on an 80386 with a 387 (the audit is first checked against its own table) ...
add_test(NAME cpu386_audit_rows COMMAND ${CMAKE_SOURCE_DIR}/tools/audit-386 --rows ${CMAKE_SOURCE_DIR}/tools/386-rows.s)
add_test(NAME cpu386_audit
  COMMAND ${CMAKE_SOURCE_DIR}/tools/audit-386 ${WIN32_BUILD_DIR}/ZelvoSav.scr ${WIN32_BUILD_DIR}/decorama.exe)
# The installer's two dialog templates name "MS Sans Serif" 8 in the default character set:
# windres writes the weight, italic and character set of a decompiled FONT statement only
# when they differ from normal weight, upright and DEFAULT_CHARSET.
add_test(NAME installer_dialog_font COMMAND i686-w64-mingw32-windres -i ${WIN32_BUILD_DIR}/decorama.exe -O rc)
set_tests_properties(installer_dialog_font PROPERTIES
  PASS_REGULAR_EXPRESSION "DIALOGEX[^\n]*\n([^\n]*\n)*FONT 8, \"MS Sans Serif\"\r?\n([^\n]*\n)*FONT 8, \"MS Sans Serif\"\r?\n"
  FAIL_REGULAR_EXPRESSION "FONT [^\n]*\"[^\n]*\", ")
# ... and stay within their size budgets.
add_test(NAME size_budget_audit
  COMMAND ${CMAKE_SOURCE_DIR}/tools/audit-sizes ${CMAKE_SOURCE_DIR}/tools/size-budgets.txt
          ${WIN32_BUILD_DIR}/ZelvoSav.scr ${WIN32_BUILD_DIR}/decorama.exe)

# The Zelvo sample theme: its generated files and the zip for users, then a real
# install and uninstall of it under Wine.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
add_test(NAME theme_files COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/theme/test_theme.py)
add_test(NAME theme_wine COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/theme/test_theme_wine.py)
set_tests_properties(theme_files theme_wine PROPERTIES
  ENVIRONMENT "ZELVO_WIN32_DIR=${WIN32_BUILD_DIR};${WINE_TEST_ENV}" TIMEOUT 900)

# make demo in its unattended form, and what it leaves behind.
add_test(NAME demo_unattended COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/demo/test_demo.py)
set_tests_properties(demo_unattended PROPERTIES TIMEOUT 900 ENVIRONMENT "${WINE_TEST_ENV}")

# The installer's and the saver's fault matrix under Wine: every case compares drive C
# and the registry with a snapshot. Its full-volume cases mount a small tmpfs (root only;
# skipped otherwise) and its read-only settings case needs chattr.
add_test(NAME fault_matrix COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/faults/test_fault_matrix.py)
set_tests_properties(fault_matrix PROPERTIES TIMEOUT 1500 ENVIRONMENT "${WINE_TEST_ENV}")
