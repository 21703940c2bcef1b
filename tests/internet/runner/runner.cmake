# Tests of the synchronous request runner.
skylaunch_add_test(internet_runner_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/InternetRunnerTest.cpp
  LIBS internet_runner test_support test_module_environment local_services_config)
