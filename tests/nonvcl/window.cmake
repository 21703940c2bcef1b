skylaunch_add_test(nonvcl_class_name_test SOURCES ClassNameTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_window_test WINDOWS_ONLY
  SOURCES ObjectInstanceTest.cpp NonVCLWindowTest.cpp LIBS nonvcl test_support)
