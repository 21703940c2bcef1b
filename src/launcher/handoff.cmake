if(WIN32)
  add_library(launcher_handoff STATIC ${CMAKE_CURRENT_LIST_DIR}/HandOff.cpp)
  target_link_libraries(launcher_handoff PUBLIC launcher_core setup shell32 ole32 uuid)
endif()
