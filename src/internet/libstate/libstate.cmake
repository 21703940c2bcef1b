# Module libstate: the dynamic library list. The key rule is platform-free; loading is not.
add_library(libstate_core STATIC ${CMAKE_CURRENT_LIST_DIR}/libstate_key.cpp)
target_include_directories(libstate_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(libstate_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(libstate STATIC
    ${CMAKE_CURRENT_LIST_DIR}/libstate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/libstate_loader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/libstate_lock.cpp)
  target_link_libraries(libstate PUBLIC libstate_core kernel32)
endif()
