# Tests of the Win32 layer and end-to-end runs, cross-compiled with GoogleTest
# and run under Wine by tests/win32/run_under_wine.sh (which fails loudly when
# Wine or a display is missing).
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(wine_driver STATIC tests/win32/driver.cpp)
target_include_directories(wine_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(wine_driver PUBLIC kestrom_win32 gtest)

set(WINE_RUN ${CMAKE_SOURCE_DIR}/tests/win32/run_under_wine.sh)
foreach(name wine_system_test wine_com_test wine_window_test wine_teach_test wine_edit_test wine_copy_test wine_cut_test wine_part_test wine_panel_test wine_mach3_test wine_mach3_check_test
             wine_program_box_test wine_recovery_test)
  add_executable(${name} tests/win32/${name}.cpp)
  target_link_libraries(${name} PRIVATE wine_driver gtest_main)
  add_dependencies(${name} programs_under_test)
  add_test(NAME ${name} COMMAND ${WINE_RUN} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endforeach()

# The release as unzipped by test.sh (KESTROM_PACKAGE_DIR, a Linux path that
# Wine sees on its Z: drive).
add_executable(wine_package_test tests/win32/wine_package_test.cpp)
target_include_directories(wine_package_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(wine_package_test PRIVATE wine_driver gtest_main psapi version)
add_dependencies(wine_package_test programs_under_test)
string(REPLACE "/" "\\" package_folder "Z:${KESTROM_PACKAGE_DIR}")
add_test(NAME wine_package_test COMMAND ${WINE_RUN} $<TARGET_FILE:wine_package_test>)
set_tests_properties(wine_package_test PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE
                     ENVIRONMENT "KESTROM_PROGRAMS=${package_folder}")

add_executable(wine_bench tests/win32/wine_bench.cpp)
target_link_libraries(wine_bench PRIVATE wine_driver psapi)
add_dependencies(wine_bench programs_under_test)

# ./run.sh's first look, through the same driver.
add_executable(first_look tests/win32/first_look.cpp)
target_link_libraries(first_look PRIVATE wine_driver)
add_dependencies(first_look programs_under_test)
