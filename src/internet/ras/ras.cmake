# Modules RASINTF and RASConn: the dial-up interface bound at start-up, and the connection
# component over it. The texts are platform-free.
add_library(ras_core STATIC ${CMAKE_CURRENT_LIST_DIR}/RASText.cpp)
target_include_directories(ras_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ras_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(ras STATIC
    ${CMAKE_CURRENT_LIST_DIR}/RASINTF.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RASConn.cpp)
  target_link_libraries(ras PUBLIC ras_core libstate nonvcl advapi32)
endif()
