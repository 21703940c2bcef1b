# The download worker thread (module DownloadThread, with the workflow).
if(WIN32)
  add_library(download_thread STATIC ${CMAKE_CURRENT_LIST_DIR}/DownloadThread.cpp)
  target_include_directories(download_thread PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(download_thread PUBLIC download_program nonvcl)
endif()
