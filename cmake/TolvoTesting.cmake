# tolvo_add_test(<name> SOURCES <files...> LIBS <targets...>): one GoogleTest executable per call.
# Tests find the built system files through TOLVO_OUT_DIR and the repository through TOLVO_SOURCE_DIR.
function(tolvo_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tolvo_test_support GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    TOLVO_OUT_DIR="${TOLVO_OUT_DIR}" TOLVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TOLVO_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")
  # Code under test may load the UI module from build/out at run time.
  if(TARGET tolvo_ui_gtk)
    add_dependencies(${name} tolvo_ui_gtk)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
