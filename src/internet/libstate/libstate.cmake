# Module libstate: the dynamic library list. The key rule is platform-free; loading is not.
add_library(libstate_core STATIC libstate_key.cpp)
target_include_directories(libstate_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(libstate_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(libstate STATIC libstate.cpp libstate_loader.cpp libstate_lock.cpp)
  target_link_libraries(libstate PUBLIC libstate_core kernel32)
endif()
