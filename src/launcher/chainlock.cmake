# One launcher chain at a time on a machine, and the hand-over of the chain to the launcher's copy.
if(WIN32)
  add_library(launcher_chain STATIC ${CMAKE_CURRENT_LIST_DIR}/ChainLock.cpp)
  target_include_directories(launcher_chain PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(launcher_chain PUBLIC nonvcl advapi32)
endif()
