set(here ${CMAKE_CURRENT_LIST_DIR})
skylaunch_add_test(nonvcl_run_log_text_test SOURCES ${here}/RunLogTextTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_run_log_test WINDOWS_ONLY SOURCES ${here}/RunLogTest.cpp LIBS nonvcl)
