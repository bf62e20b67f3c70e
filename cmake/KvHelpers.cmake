# kv_library(NAME SOURCES... DEPS ...): one static library per subsystem folder.
function(kv_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# kv_test(FILE DEPS ...): one GoogleTest executable per test file, registered
# with CTest. The working directory is the source tree so tests find
# tests/data/ and ../shared/external/ by relative path.
function(kv_test file)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  get_filename_component(stem ${file} NAME_WE)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(target test_${folder}_${stem})
  add_executable(${target} ${file})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${target} PRIVATE KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${target} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# kv_fuzz(NAME SOURCE DEPS ...): a libFuzzer target. Without KV_LIBFUZZER it
# is built with a small driver that replays the checked-in corpus, and the
# replay runs as a CTest test, so every crash ever found stays a regression test.
function(kv_fuzz name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(KV_LIBFUZZER)
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(fuzz_${name} ${source} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    if(KV_TESTS)
      add_test(NAME fuzz_replay_${name} COMMAND fuzz_${name} ${corpus})
    endif()
  endif()
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
endfunction()
