# Windows build (MinGW-w64, i686): uninstall.exe, and the test programs that run under Wine.
set(UNROLL_SIZE_FLAGS -Os -ffunction-sections -fdata-sections -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables)
target_compile_options(unroll_core PRIVATE ${UNROLL_SIZE_FLAGS} -fno-exceptions -fno-rtti)
target_compile_definitions(unroll_core PUBLIC UNICODE _UNICODE)

# libjpeg for the target, built from Debian's source package by scripts/build-libjpeg-mingw.
set(UNROLL_LIBJPEG ${CMAKE_SOURCE_DIR}/build/deps/libjpeg-mingw)
if(NOT EXISTS ${UNROLL_LIBJPEG}/lib/libjpeg.a)
  message(FATAL_ERROR "libjpeg for MinGW is missing: run scripts/build-libjpeg-mingw")
endif()
add_library(unroll_jpeg STATIC IMPORTED)
set_target_properties(unroll_jpeg PROPERTIES IMPORTED_LOCATION ${UNROLL_LIBJPEG}/lib/libjpeg.a
                      INTERFACE_INCLUDE_DIRECTORIES ${UNROLL_LIBJPEG}/include)

add_library(unroll_win32 STATIC
  src/platform/win32/file_system.cc
  src/platform/win32/process.cc
  src/platform/win32/registry.cc
  src/ui/win32_ui.cc
  src/ui/progress_window.cc
  src/ui/pictures.cc
  src/ui/layout.cc
)
target_link_libraries(unroll_win32 PUBLIC unroll_core unroll_jpeg)
target_compile_options(unroll_win32 PRIVATE ${UNROLL_WARNINGS} ${UNROLL_SIZE_FLAGS} -fno-exceptions -fno-rtti)

add_executable(uninstall WIN32 src/app/main.cc src/app/runtime.cc resources/uninstall.rc)
target_link_libraries(uninstall PRIVATE unroll_win32 ole32 shell32 user32 gdi32 comctl32 advapi32)
target_compile_options(uninstall PRIVATE ${UNROLL_WARNINGS} ${UNROLL_SIZE_FLAGS} -fno-exceptions -fno-rtti)
target_link_options(uninstall PRIVATE -municode -mwindows -static -s -Wl,--gc-sections
                    -Wl,--file-alignment,512 -Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/uninstall.map)
set_target_properties(uninstall PROPERTIES OUTPUT_NAME uninstall)

# GoogleTest from Debian's sources, built for the target.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(contract_tests_win32 tests/contract/file_contract_test.cc tests/contract/win32_sandbox.cc
               tests/contract/utf8_contract_test.cc tests/contract/registry_contract_test.cc
               tests/contract/win32_registry_sandbox.cc tests/contract/progress_window_test.cc
               resources/uninstall.rc)
target_link_libraries(contract_tests_win32 PRIVATE unroll_win32 gtest_main advapi32 gdi32 comctl32)
target_link_options(contract_tests_win32 PRIVATE -static)
add_test(NAME win32.contract
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/wine.sh run ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:contract_tests_win32>)
set_tests_properties(win32.contract PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

add_executable(e2e_driver tests/e2e/driver.cc)
target_compile_options(e2e_driver PRIVATE ${UNROLL_WARNINGS})
target_compile_definitions(e2e_driver PRIVATE UNICODE _UNICODE)
target_link_options(e2e_driver PRIVATE -municode -static)
target_link_libraries(e2e_driver PRIVATE user32 gdi32)

add_executable(e2e_mark WIN32 tests/e2e/mark.cc)
target_compile_options(e2e_mark PRIVATE ${UNROLL_WARNINGS})
target_compile_definitions(e2e_mark PRIVATE UNICODE _UNICODE)
target_link_options(e2e_mark PRIVATE -municode -static)

add_executable(e2e_reg tests/e2e/reg_tool.cc)
target_compile_options(e2e_reg PRIVATE ${UNROLL_WARNINGS})
target_compile_definitions(e2e_reg PRIVATE UNICODE _UNICODE)
target_link_options(e2e_reg PRIVATE -municode -static)
target_link_libraries(e2e_reg PRIVATE advapi32)

# Wine: one prefix and one wineserver for the whole run (tests/e2e/wine.sh).
set(UNROLL_WINE ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/wine.sh)
add_test(NAME wine.start COMMAND ${UNROLL_WINE} start ${CMAKE_BINARY_DIR})
add_test(NAME wine.stop COMMAND ${UNROLL_WINE} stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

add_test(NAME e2e.scenarios
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/scenarios.py
                 --exe $<TARGET_FILE:uninstall> --driver $<TARGET_FILE:e2e_driver>
                 --marker $<TARGET_FILE:e2e_mark> --reg $<TARGET_FILE:e2e_reg>
                 --env ${CMAKE_BINARY_DIR}/wine.env)
set_tests_properties(e2e.scenarios PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900)
add_test(NAME e2e.imports COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/check_imports.py
         $<TARGET_FILE:uninstall>)

# Timing of registry records on the real registry; run by scripts/bench, not by the tests.
add_test(NAME e2e.resources COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/check_resources.py
         $<TARGET_FILE:uninstall>)

add_executable(registry_bench_win32 bench/registry_bench_win32.cc)
target_link_libraries(registry_bench_win32 PRIVATE unroll_win32 advapi32)
target_link_options(registry_bench_win32 PRIVATE -municode -static)
add_executable(progress_bench_win32 bench/progress_bench_win32.cc resources/uninstall.rc)
target_link_libraries(progress_bench_win32 PRIVATE unroll_win32 ole32 shell32 user32 gdi32 comctl32 advapi32)
target_link_options(progress_bench_win32 PRIVATE -municode -static)
