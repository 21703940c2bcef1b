# The pointer list and the failure texts run everywhere; threads, exception hooks, system error
# texts and the common controls run under Wine.
skylaunch_add_test(nonvcl_list_test SOURCES ListTest.cpp LIBS nonvcl_core)
skylaunch_add_test(nonvcl_runtime_errors_test SOURCES RuntimeErrorsTest.cpp LIBS nonvcl_core)
