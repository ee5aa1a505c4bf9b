# Host build (Linux): the logic with its in-memory Windows replacements, unit and contract tests,
# benchmarks and fuzz targets.
find_package(GTest REQUIRED)
include(GoogleTest)

find_package(JPEG REQUIRED)
include(cmake/pictures.cmake)
# The portable half of the progress window: picture decoding and layout arithmetic.
add_library(unroll_ui_logic STATIC src/ui/pictures.cc src/ui/layout.cc)
target_include_directories(unroll_ui_logic PUBLIC src)
target_link_libraries(unroll_ui_logic PUBLIC JPEG::JPEG)
target_compile_options(unroll_ui_logic PRIVATE ${UNROLL_WARNINGS})

add_library(unroll_memory STATIC
  src/platform/memory/memory_file_system.cc
  src/platform/memory/memory_process.cc
  src/platform/memory/memory_ui.cc
  src/platform/memory/memory_registry.cc
)
target_link_libraries(unroll_memory PUBLIC unroll_core)
target_compile_options(unroll_memory PRIVATE ${UNROLL_WARNINGS})

add_executable(unit_tests
  tests/unit/utf8_test.cc
  tests/unit/unique_resource_test.cc
  tests/unit/uninstall_log_test.cc
  tests/unit/file_removal_test.cc
  tests/unit/uninstaller_test.cc
  tests/unit/registry_test.cc
  tests/unit/language_file_test.cc
  tests/unit/message_box_test.cc
  tests/unit/self_removal_test.cc
  tests/unit/ui_logic_test.cc
)
target_link_libraries(unit_tests PRIVATE unroll_memory unroll_ui_logic GTest::gtest_main GTest::gmock)
target_compile_definitions(unit_tests PRIVATE UNROLL_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
target_compile_options(unit_tests PRIVATE ${UNROLL_WARNINGS})
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)

add_executable(contract_tests_memory tests/contract/file_contract_test.cc tests/contract/memory_sandbox.cc
               tests/contract/registry_contract_test.cc tests/contract/memory_registry_sandbox.cc)
target_link_libraries(contract_tests_memory PRIVATE unroll_memory GTest::gtest_main)
target_compile_options(contract_tests_memory PRIVATE ${UNROLL_WARNINGS})
gtest_discover_tests(contract_tests_memory DISCOVERY_MODE PRE_TEST TEST_PREFIX "memory.")

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(log_bench bench/log_bench.cc)
  target_link_libraries(log_bench PRIVATE unroll_memory benchmark::benchmark)
  # A smoke run keeps the benchmark building and working; figures come from `scripts/bench`.
  add_test(NAME bench.smoke COMMAND log_bench --benchmark_min_time=0.01 "--benchmark_filter=/10000(/|$)")
endif()

if(UNROLL_FUZZ)
  foreach(target log_reader_fuzz language_file_fuzz)
    add_executable(${target} fuzz/${target}.cc)
    target_link_libraries(${target} PRIVATE unroll_memory)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    # New inputs go to a corpus in the build tree; the committed seeds stay as they are.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/corpus/${target})
    add_test(NAME fuzz.${target} COMMAND ${target} -max_total_time=20 -max_len=4096
             -rss_limit_mb=1024 ${CMAKE_BINARY_DIR}/corpus/${target}
             ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
  endforeach()
endif()
