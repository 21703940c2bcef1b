skylaunch_add_test(manifest_binding_test
  SOURCES ManifestBindingTest.cpp ManifestJsonTest.cpp ManifestLookupTest.cpp
  LIBS manifest_core)
skylaunch_add_test(manifest_file_test WINDOWS_ONLY
  SOURCES ManifestFileTest.cpp
  LIBS manifest)

# The libFuzzer target, in the fuzz preset (clang). Its CTest test runs it for a minute on the
# seed corpus; new inputs go to a folder of the build tree, never into the repository.
if(SKYLAUNCH_FUZZING)
  add_executable(manifest_fuzzer fuzz/ManifestFuzzer.cpp)
  target_link_libraries(manifest_fuzzer PRIVATE manifest_core)
  target_link_options(manifest_fuzzer PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/fuzz-corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME manifest_fuzz
    COMMAND manifest_fuzzer -max_total_time=60 -max_len=16384 -rss_limit_mb=4096
            -dict=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/manifest.dict
            ${corpus} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus)
  set_tests_properties(manifest_fuzz PROPERTIES LABELS fuzz TIMEOUT 180)
endif()

# Parse + bind + lookup of a large manifest beside the bare parse. Host only; it measures and is
# not a test. Meaningful figures need an optimised tree without sanitizers:
#   cmake --preset host -B build/<tree> -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=
if(NOT WIN32 AND NOT SKYLAUNCH_FUZZING)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(manifest_bench bench/ManifestBench.cpp)
    target_link_libraries(manifest_bench PRIVATE manifest_core benchmark::benchmark)
  endif()
endif()
