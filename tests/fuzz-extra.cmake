# The libFuzzer targets of the settings texts and the command line
# (tests/fuzz/run-fuzz.sh settings cmdline), each run for a bounded time as one ctest of
# the native build. Their corpora and findings are replayed by the unit
# tests (test_fuzz_inputs.cpp) in every build.
if(CMAKE_CROSSCOMPILING OR CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  return()
endif()
set(SYLVADRA_FUZZ_SECONDS 30 CACHE STRING "Seconds each settings and command-line fuzz target runs in the tests")
add_test(NAME fuzz_settings_cmdline
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/fuzz/run-fuzz.sh ${SYLVADRA_FUZZ_SECONDS}
                 ${CMAKE_BINARY_DIR}/fuzz-more settings cmdline)
set_tests_properties(fuzz_settings_cmdline PROPERTIES TIMEOUT 900 LABELS fuzz)
