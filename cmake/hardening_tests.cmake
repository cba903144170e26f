# Tests that run the trees built beside this one: the unit tests under the
# sanitizers (build/asan) and every fuzz target for a bounded time
# (build/fuzz), with its committed seed corpus. Both trees are optional: a
# tree that was not built registers nothing.
set(VBX_ASAN_DIR "${CMAKE_SOURCE_DIR}/build/asan" CACHE PATH "Unit tests built with the sanitizers")
set(VBX_FUZZ_DIR "${CMAKE_SOURCE_DIR}/build/fuzz" CACHE PATH "The libFuzzer targets")
set(VBX_FUZZ_SECONDS 30 CACHE STRING "How long each fuzz target runs")

if(EXISTS ${VBX_ASAN_DIR}/CMakeCache.txt)
  add_test(NAME asan.unit_tests COMMAND ${VBX_ASAN_DIR}/vorbix_unit_tests --gtest_brief=1)
  set_tests_properties(asan.unit_tests PROPERTIES TIMEOUT 600 LABELS hardening
                       ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")
endif()

if(EXISTS ${VBX_FUZZ_DIR}/CMakeCache.txt)
  file(GLOB vbx_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
  foreach(source ${vbx_fuzz_sources})
    get_filename_component(name ${source} NAME_WE)
    string(REGEX REPLACE "^fuzz_" "" short ${name})
    set(work ${CMAKE_BINARY_DIR}/fuzz/${short})
    # New inputs go to a corpus in the build tree; the committed seeds stay as they are.
    add_test(NAME fuzz.${short}
             COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                     ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzzer.sh ${VBX_FUZZ_DIR}/${name} ${work}
                     ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${short} ${VBX_FUZZ_SECONDS})
    # One at a time and alone: a fuzzer keeps a core busy for its whole run,
    # which would slow the timed Wine tests beside it on a small machine.
    set_tests_properties(fuzz.${short} PROPERTIES TIMEOUT 300 LABELS hardening RUN_SERIAL ON)
  endforeach()
endif()
