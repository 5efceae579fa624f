# Build helpers shared by every folder.
include(CMakeParseArguments)

# tsl_library(NAME SOURCES ... [DEPS ...])
function(tsl_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(A_DEPS)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
endfunction()

# tsl_test(NAME SOURCES ... [DEPS ...]): a GoogleTest executable run by CTest.
function(tsl_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} tsl_testing GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
endfunction()

# tsl_benchmark(NAME SOURCES ... [DEPS ...]): built, never run by CTest.
function(tsl_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT TSL_BENCHMARKS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# tsl_fuzz(NAME SOURCES ... [DEPS ...] [RUNS n]): the harness defines
# LLVMFuzzerTestOneInput. CTest always replays it over seeded random inputs
# (so it runs under the sanitizer build); with TSL_LIBFUZZER and clang a real
# libFuzzer executable NAME_libfuzzer is built too.
function(tsl_fuzz name)
  cmake_parse_arguments(A "" "RUNS" "SOURCES;DEPS" ${ARGN})
  if(NOT A_RUNS)
    set(A_RUNS 20000)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} tsl_fuzz_replay)
  add_test(NAME ${name} COMMAND ${name} --runs=${A_RUNS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  if(TSL_LIBFUZZER AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${name}_libfuzzer ${A_SOURCES})
    target_compile_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_libfuzzer PRIVATE ${A_DEPS})
  endif()
endfunction()
