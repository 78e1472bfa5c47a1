find_package(GTest REQUIRED)
find_package(benchmark QUIET)
include(GoogleTest)

# One executable per test file, so a change rebuilds and reruns only what it touches.
#   tests/unit/*_test.cpp  pure computation, no display            label: unit
#   tests/gl/*_test.cpp    real OpenGL context under tools/headless  label: gl
#   tests/e2e/*_test.sh    the real executable under tools/headless  label: e2e
foreach(layer unit gl)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${layer}/*_test.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE velmo_core GTest::gtest_main GTest::gmock)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    gtest_discover_tests(${name} PROPERTIES LABELS ${layer}
                         WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  endforeach()
endforeach()

# The golden-frame test reads and writes PNG pictures and finds its references in the source tree.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(golden_test PRIVATE PkgConfig::PNG)
target_compile_definitions(golden_test PRIVATE GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden")

file(GLOB e2e_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.sh)
foreach(script ${e2e_tests})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e.${name} COMMAND bash ${script} $<TARGET_FILE:velmo>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  # Status 77: the machine lacks what the test needs, and the script says what.
  set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
# The whole demo at 800 x 340 takes about 2 minutes on an idle machine with two cores, and
# many times that on a busy one: the timeout only catches a render that hangs.
set_tests_properties(e2e.video_test PROPERTIES TIMEOUT 1800)

# The sanitizer build also runs the demo itself for a short capture.
if(VELMO_SANITIZE)
  add_test(NAME sanitize.capture COMMAND bash ${CMAKE_SOURCE_DIR}/tests/sanitize/capture_run.sh $<TARGET_FILE:velmo>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(sanitize.capture PROPERTIES LABELS sanitize TIMEOUT 600)
endif()

# Benchmarks are built with everything else and run by tools/bench, not by ctest.
if(benchmark_FOUND)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*_bench.cpp)
  foreach(src ${benches})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE velmo_core benchmark::benchmark_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  endforeach()
endif()

# Small X client the end-to-end tests use to close the demo's window.
add_executable(closewindow ${CMAKE_SOURCE_DIR}/tests/support/closewindow.cpp)
target_link_libraries(closewindow PRIVATE X11)
