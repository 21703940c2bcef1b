set(here ${CMAKE_CURRENT_LIST_DIR})
skylaunch_add_test(nonvcl_text_test SOURCES ${here}/TextUtilsTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_class_name_test SOURCES ${here}/ClassNameTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_show_exception_test WINDOWS_ONLY
  SOURCES ${here}/ShowExceptionTest.cpp LIBS nonvcl test_support)
