if(WIN32)
  # Stands in for every program the launcher starts, and is the demo catalog's installer.
  add_executable(demo_installer WIN32 ${CMAKE_SOURCE_DIR}/tools/demo-installer/DemoInstaller.cpp)
  target_include_directories(demo_installer PRIVATE ${CMAKE_SOURCE_DIR}/tools/common)
  target_link_options(demo_installer PRIVATE -municode)

  skylaunch_add_test(launcher_handoff_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffTest.cpp
    LIBS launcher_handoff release_service_local test_support ole32 uuid)
  target_compile_definitions(launcher_handoff_test PRIVATE DEMO_INSTALLER_PATH="$<TARGET_FILE:demo_installer>")
  add_dependencies(launcher_handoff_test demo_installer)
endif()
