skylaunch_add_test(nonvcl_text_test SOURCES TextUtilsTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_show_exception_test WINDOWS_ONLY
  SOURCES ShowExceptionTest.cpp LIBS nonvcl test_support)
