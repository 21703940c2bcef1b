skylaunch_add_test(connection_type_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConnectionTypeTest.cpp
  LIBS nonvcl_core)
target_include_directories(connection_type_test PRIVATE ${CMAKE_SOURCE_DIR}/src/internet/connection)
skylaunch_add_test(internet_manager_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/InternetMgrTest.cpp
  LIBS internetmgr test_support local_services_config)
