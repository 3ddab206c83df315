# kt_add_test(NAME LABEL SOURCES... [LIBS ...]): one GoogleTest program whose tests CTest runs
# one by one. LABEL is unit (module tests), inprocess (framework and game on the test host),
# e2e (the real binary under Xvfb) or assets. The sanitizer build runs unit and inprocess only.
# The longest case takes about a minute; a case that hangs is ended after five, not CTest's
# default of 25, so a hang costs CI minutes rather than its whole budget.
include(GoogleTest)
find_package(GTest REQUIRED)

function(kt_add_test name label)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} PROPERTIES LABELS ${label} TIMEOUT 300 DISCOVERY_MODE PRE_TEST
                       WORKING_DIRECTORY ${KT_BIN_DIR})
endfunction()

# kt_add_fuzzer(NAME SOURCES... [LIBS ...] [SECONDS n]): a libFuzzer target, run by CTest for a
# few seconds (label fuzz) from the seed corpus in fuzz/corpus/NAME when there is one.
function(kt_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 20)
  endif()
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${work})
  set(seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(NOT EXISTS ${seeds})
    set(seeds "")
  endif()
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048 ${work} ${seeds})
  # Every undefined-behaviour report ends the run, except the upstream ones listed (with the
  # reason) in fuzz/ubsan.supp, which are printed and let the run go on.
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300 ENVIRONMENT
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=${PROJECT_SOURCE_DIR}/fuzz/ubsan.supp")
endfunction()
