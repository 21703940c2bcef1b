# The asynchronous HTTP client: its text rules everywhere; its send buffers, and the client itself
# against the local services, under Wine.
skylaunch_add_test(client_rules_test SOURCES orbInternetRulesTest.cpp LIBS orbinternet_core)

skylaunch_add_test(client_data_test WINDOWS_ONLY SOURCES orbInternetDataTest.cpp LIBS orbinternet)

foreach(suite IN ITEMS wire lifecycle)
  set(_source orbInternetTest.cpp)
  if(suite STREQUAL "lifecycle")
    set(_source orbInternetLifecycleTest.cpp)
  endif()
  skylaunch_add_test(client_${suite}_test WINDOWS_ONLY NEEDS_SERVICES
    SOURCES ${_source} ClientTestSupport.cpp
    LIBS orbinternet test_support local_services_config)
endforeach()

skylaunch_add_test(client_stress_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES orbInternetStressTest.cpp ClientTestSupport.cpp
  LIBS orbinternet test_support local_services_config)
