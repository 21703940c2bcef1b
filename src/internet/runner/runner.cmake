# Module orbInternet, continued: the synchronous request runner over the asynchronous client.
if(WIN32)
  add_library(internet_runner STATIC ${CMAKE_CURRENT_LIST_DIR}/InternetRunner.cpp)
  target_include_directories(internet_runner PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(internet_runner PUBLIC orbinternet user32)
endif()
