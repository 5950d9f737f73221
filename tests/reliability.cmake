# Reliability tests of the Linux build (included by tests/CMakeLists.txt):
# the 60-day run on a simulated clock and valgrind's memcheck on a headless
# run. The sanitizer build (make test's second pass, configured with
# -fsanitize in CMAKE_CXX_FLAGS) runs only the unit and end-to-end tests:
# valgrind cannot run a sanitized program, and the long run would take ten
# times as long.
if(CMAKE_CROSSCOMPILING OR CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  return()
endif()

# The long run has its own program: it counts every allocation with its own
# operator new, which must not be linked into the unit tests.
add_executable(sylvadra_longrun ${CMAKE_CURRENT_LIST_DIR}/longrun/longrun.cpp)
target_link_libraries(sylvadra_longrun PRIVATE sylvadra_core)
add_test(NAME longrun_60_days COMMAND sylvadra_longrun --days 60)
set_tests_properties(longrun_60_days PROPERTIES TIMEOUT 900 LABELS reliability)

add_test(NAME valgrind_render
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/reliability/valgrind-render.sh $<TARGET_FILE:sylvadra>)
set_tests_properties(valgrind_render PROPERTIES TIMEOUT 900 LABELS reliability)
