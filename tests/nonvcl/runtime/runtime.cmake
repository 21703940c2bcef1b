# The pointer list and the failure texts run everywhere; threads, exception hooks, system error
# texts and the program's throw helpers run under Wine.
set(here ${CMAKE_CURRENT_LIST_DIR})
skylaunch_add_test(nonvcl_list_test SOURCES ${here}/ListTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_runtime_errors_test SOURCES ${here}/RuntimeErrorsTest.cpp LIBS nonvcl_core)

if(WIN32)
  # Helper program of the exception-hook tests: lets an exception go uncaught.
  add_executable(nonvcl_runtime_child ${here}/RuntimeChild.cpp ${here}/Faults.cpp)
  # With the program's own throw helpers and terminate handler, as the program has them.
  target_link_libraries(nonvcl_runtime_child PRIVATE nonvcl program_runtime)
endif()
skylaunch_add_test(nonvcl_thread_test WINDOWS_ONLY
  SOURCES ${here}/ThreadTest.cpp ${here}/RuntimeTestEnvironment.cpp LIBS nonvcl)
skylaunch_add_test(nonvcl_exception_hooks_test WINDOWS_ONLY
  SOURCES ${here}/ExceptionHooksTest.cpp ${here}/Faults.cpp ${here}/RuntimeTestEnvironment.cpp LIBS nonvcl)
if(WIN32)
  add_dependencies(nonvcl_exception_hooks_test nonvcl_runtime_child)
endif()
skylaunch_add_test(nonvcl_system_error_test WINDOWS_ONLY SOURCES ${here}/SystemErrorTest.cpp LIBS nonvcl)
skylaunch_add_test(nonvcl_throw_helpers_test WINDOWS_ONLY
  SOURCES ${here}/ThrowHelpersTest.cpp LIBS nonvcl_core program_runtime)
