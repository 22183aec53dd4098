# One Qt Test executable per folder of tests, run headless by CTest.
function(reelnote_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 300)
endfunction()

# The usual test folder: every tst_*.cpp of the folder in one executable named
# after it, so that a new test file needs no change here.
function(reelnote_add_folder_test name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  reelnote_add_test(${name} SOURCES ${sources} LIBS reelnote_testsupport ${ARGN})
endfunction()
