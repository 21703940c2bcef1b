if(WIN32)
  skylaunch_add_test(download_thread_test WINDOWS_ONLY NEEDS_SERVICES
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DownloadThreadTest.cpp
    LIBS download_thread "$<LINK_LIBRARY:WHOLE_ARCHIVE,oauth_client_local>" test_support test_module_environment
         local_services_config)
endif()
