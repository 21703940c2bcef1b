# Module SkylaunchData.
add_library(setup_core STATIC ProgramTarget.cpp SetupRules.cpp)
target_include_directories(setup_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(setup_core PUBLIC nonvcl_core)

if(WIN32)
  add_library(setup STATIC SkylaunchData.cpp)
  target_link_libraries(setup PUBLIC setup_core nonvcl deployment_constants shell32 shlwapi ole32 advapi32)
endif()
