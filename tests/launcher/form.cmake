# The launcher window in the test's own process: what it does at another DPI (WM_DPICHANGED).
skylaunch_add_test(launcher_form_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/DownloadFormTest.cpp
  LIBS launcher_form release_service_local "$<LINK_LIBRARY:WHOLE_ARCHIVE,oauth_client_local>" test_module_environment)
