# Module InternetMgr: the connection manager.
if(WIN32)
  add_library(internetmgr STATIC ${CMAKE_CURRENT_LIST_DIR}/InternetMgr.cpp)
  target_include_directories(internetmgr PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(internetmgr PUBLIC platform_http nonvcl)
endif()
