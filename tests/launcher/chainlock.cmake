# The chain lock's hand-over, between threads that stand in for processes.
skylaunch_add_test(launcher_chain_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/ChainLockTest.cpp
  LIBS launcher_chain)
