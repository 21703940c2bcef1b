# The platform HTTP layer: WinInet bound from the system folder, handle ownership, the raw-header
# query, error texts and the WinInet constants of the callers.
if(WIN32)
  add_library(platform_http STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PlatformHttp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinInetApi.cpp)
  target_include_directories(platform_http PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(platform_http PUBLIC nonvcl libstate)
endif()
