skylaunch_add_test(launcher_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffRulesTest.cpp LIBS launcher_core)
