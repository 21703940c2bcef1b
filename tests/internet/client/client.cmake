# The asynchronous HTTP client: its text rules everywhere; its send buffers, and the client itself
# against the local services, under Wine.
skylaunch_add_test(client_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/orbInternetRulesTest.cpp
  LIBS orbinternet_core)

skylaunch_add_test(client_data_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/orbInternetDataTest.cpp
  LIBS orbinternet)

foreach(suite IN ITEMS wire lifecycle)
  set(_source ${CMAKE_CURRENT_LIST_DIR}/orbInternetTest.cpp)
  if(suite STREQUAL "lifecycle")
    set(_source ${CMAKE_CURRENT_LIST_DIR}/orbInternetLifecycleTest.cpp)
  endif()
  skylaunch_add_test(client_${suite}_test WINDOWS_ONLY NEEDS_SERVICES
    SOURCES ${_source} ${CMAKE_CURRENT_LIST_DIR}/ClientTestSupport.cpp
    LIBS orbinternet test_support local_services_config)
endforeach()

skylaunch_add_test(client_stress_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/orbInternetStressTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ClientTestSupport.cpp
  LIBS orbinternet test_support local_services_config)

# The throughput of the client against a blocking 4 KiB WinInet loop on a 64 MiB file:
# `cmake --build <tree> --target client_benchmark_run` (while the test fixture's services are down).
if(WIN32)
  add_executable(client_benchmark ${CMAKE_CURRENT_LIST_DIR}/orbInternetBenchmark.cpp)
  # Its blocking reference loop calls WinInet directly, so it imports the library.
  target_link_libraries(client_benchmark PRIVATE orbinternet wininet)
  target_link_options(client_benchmark PRIVATE -municode)
  add_custom_target(client_benchmark_run
    COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/run_client_benchmark.py --build-dir ${CMAKE_BINARY_DIR}
            --port-base ${SKYLAUNCH_LOCAL_PORT_BASE} --benchmark $<TARGET_FILE:client_benchmark>
    DEPENDS client_benchmark USES_TERMINAL VERBATIM)
endif()
