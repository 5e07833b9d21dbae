# korvax_unit_test(NAME [SERVER] SOURCES... LIBS libs...)
# One GoogleTest executable, one CTest entry per test case, labelled "unit"
# so that the sanitizer build runs it too. SERVER: the tests need the test
# run's PostgreSQL server (tests/support), which ctest starts for them.
include(GoogleTest)
function(korvax_unit_test name)
  cmake_parse_arguments(T "SERVER" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    KORVAX_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    KORVAX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(T_SERVER)
    target_link_libraries(${name} PRIVATE korvax_test_server)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit
      FIXTURES_REQUIRED pg_server ENVIRONMENT KORVAX_PG_STATE=${PROJECT_BINARY_DIR}/pg-server)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
  endif()
endfunction()

# Adds every direct subfolder of the current source folder that has a CMakeLists.txt.
function(korvax_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
