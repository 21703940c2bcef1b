set(here ${CMAKE_CURRENT_LIST_DIR})
skylaunch_add_test(nonvcl_window_test WINDOWS_ONLY
  SOURCES ${here}/ObjectInstanceTest.cpp ${here}/NonVCLWindowTest.cpp LIBS nonvcl test_support)
skylaunch_add_test(nonvcl_controls_test WINDOWS_ONLY SOURCES ${here}/NonVCLControlsTest.cpp LIBS nonvcl)
skylaunch_add_test(nonvcl_control_id_test WINDOWS_ONLY SOURCES ${here}/ControlItemIDTest.cpp LIBS nonvcl)
