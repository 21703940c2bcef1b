# Streams and handles: the program's own stream type, the file stream, the owners of platform
# handles and the lock that keeps delivering sent messages while it waits.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_include_directories(nonvcl_core PUBLIC ${here})
target_sources(nonvcl_core PRIVATE ${here}/Stream.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE ${here}/FileStream.cpp)
endif()
