# Module orbInternet: the asynchronous HTTP client. Its vocabulary, text rules and request and
# response records are platform-free; the client itself runs on WinInet and user32.
add_library(orbinternet_core STATIC orbInternetTypes.cpp orbInternetRules.cpp orbInternetRequest.cpp)
target_include_directories(orbinternet_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orbinternet_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(orbinternet STATIC
    orbInternet.cpp
    orbInternetCallback.cpp
    orbInternetData.cpp
    orbInternetList.cpp
    orbInternetSetup.cpp
    orbInternetWindow.cpp)
  target_link_libraries(orbinternet PUBLIC orbinternet_core libstate ras platform_http nonvcl user32)
endif()
