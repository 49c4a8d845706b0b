# GoogleTest for both hosts: Debian's prebuilt library natively, its sources
# (package googletest) when cross-compiling, since no MinGW build is packaged.
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Recent GoogleTest releases define these aliases themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # GoogleTest's own sources are not held to our warning flags.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Under Wine, one prefix and one wineserver for every test binary: created (or
# found) before the first, stopped after the last.
if(CMAKE_CROSSCOMPILING)
  set(prefix_script ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh)
  add_test(NAME wine_prefix_start COMMAND bash ${prefix_script} ${ZEB_WINE_ARCH_OPTION} start ${ZEB_WINE_PREFIX})
  add_test(NAME wine_prefix_stop COMMAND bash ${prefix_script} ${ZEB_WINE_ARCH_OPTION} stop ${ZEB_WINE_PREFIX})
  set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 600)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
endif()

# zeb_add_gtest(NAME name SOURCES ... LIBS ...)
# One test binary, registered with CTest: natively test by test; under Wine as
# one CTest entry per binary, since every Wine start costs about a second.
function(zeb_add_gtest)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} zeb_test_support GTest::gtest_main)
  add_dependencies(${ARG_NAME} zeb_test_children)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} --gtest_brief=1)
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine_prefix)
  else()
    gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
