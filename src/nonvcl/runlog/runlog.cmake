# The run log: its platform-free text (lines, addresses, the kept tail, the file version) and the log
# file in the temporary folder.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_include_directories(nonvcl_core PUBLIC ${here})
target_sources(nonvcl_core PRIVATE ${here}/RunLogText.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE ${here}/RunLog.cpp)
endif()
