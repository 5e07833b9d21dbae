# korvax_unit_test(NAME [SERVER] SOURCES... LIBS libs... [LABELS labels...])
# One GoogleTest executable, one CTest entry per test case, labelled "unit"
# so that the sanitizer build runs it too, and with the labels given. SERVER:
# the tests need the test run's PostgreSQL server (tests/support), which ctest
# starts for them.
include(GoogleTest)
function(korvax_unit_test name)
  cmake_parse_arguments(T "SERVER" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    KORVAX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KORVAX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels unit ${T_LABELS})
  if(T_SERVER)
    target_link_libraries(${name} PRIVATE korvax_test_server)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${labels}"
      FIXTURES_REQUIRED pg_server ENVIRONMENT KORVAX_PG_STATE=${PROJECT_BINARY_DIR}/pg-server)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${labels}")
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
