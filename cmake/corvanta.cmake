# corvanta_test(NAME SOURCES... LIBS ...): one GoogleTest program, one ctest
# entry. In the Windows build ctest runs it under Wine (the emulator).
function(corvanta_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
endfunction()

# corvanta_bench(NAME SOURCES... LIBS ...): a benchmark program. It is a ctest
# entry labelled "bench", which tools/test.sh leaves out and tools/bench.sh runs.
function(corvanta_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES LABELS bench TIMEOUT 1800)
endfunction()

# The host build tree whose programs the Windows build's comparisons run
# beside their own: build/win32 (or win64) pairs with build/host,
# build/x-win32 with build/x-host.
if(CORVANTA_WINDOWS)
  string(REGEX REPLACE "win(32|64)$" "host" host_build_default "${CMAKE_BINARY_DIR}")
  set(CORVANTA_HOST_BUILD_DIR ${host_build_default} CACHE PATH
      "Host build tree whose programs the Windows build's comparisons run beside their own")
endif()

# corvanta_fuzzer(NAME SOURCES... LIBS ...): a libFuzzer program (CORVANTA_FUZZ).
function(corvanta_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
