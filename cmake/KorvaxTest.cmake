# korvax_unit_test(NAME SOURCES... LIBS libs... [LABELS labels...])
# One GoogleTest executable, one CTest entry per test case, labelled "unit"
# so that the sanitizer build runs it too, and with the labels given.
include(GoogleTest)
function(korvax_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE KORVAX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels unit ${T_LABELS})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${labels}")
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
