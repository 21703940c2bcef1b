set(here ${CMAKE_CURRENT_LIST_DIR})
skylaunch_add_test(nonvcl_stream_test SOURCES ${here}/StreamTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_file_stream_test WINDOWS_ONLY SOURCES ${here}/FileStreamTest.cpp LIBS nonvcl)
