# Module orbInternet: the asynchronous HTTP client. Its vocabulary, text rules and request and
# response records are platform-free; the client itself runs on WinInet and user32.
add_library(orbinternet_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/orbInternetTypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/orbInternetRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/orbInternetRequest.cpp)
target_include_directories(orbinternet_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orbinternet_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(orbinternet STATIC
    ${CMAKE_CURRENT_LIST_DIR}/orbInternet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orbInternetCallback.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orbInternetData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orbInternetList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orbInternetSetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orbInternetWindow.cpp)
  target_link_libraries(orbinternet PUBLIC orbinternet_core libstate ras platform_http nonvcl user32)
endif()
