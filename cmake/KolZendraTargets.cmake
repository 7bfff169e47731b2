# Helpers shared by every folder's CMakeLists.

# Our own code builds with warnings as errors; third-party headers are included as SYSTEM.
function(kolz_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# kolz_library(name SOURCES ... [LINKS ...]): one library target per folder.
function(kolz_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  kolz_warnings(${name})
endfunction()

# kolz_test(name SOURCES ... [LINKS ...]): one Qt Test executable registered with CTest.
# Each test process isolates itself (own HOME, TMPDIR, profile path) through kolz_testsupport.
function(kolz_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kolz_testsupport Qt6::Test ${ARG_LINKS})
  kolz_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  kolz_test_properties(${name})
endfunction()

# What every test process runs under: headless Qt, the leak suppressions for caches that system
# libraries keep for the process lifetime, and a stop at the first undefined behaviour.
function(kolz_test_properties test)
  set_tests_properties(${test} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    TIMEOUT 300)
endfunction()
