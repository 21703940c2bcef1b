# Whole-program scenarios: the real launcher under Wine against the local services.
if(WIN32 AND TARGET Skylaunch_local)
  add_executable(WinProbe ${CMAKE_SOURCE_DIR}/tools/winprobe/WinProbe.cpp)
  target_link_libraries(WinProbe PRIVATE nonvcl_core comctl32 ole32 uuid)
  target_include_directories(WinProbe PRIVATE ${CMAKE_SOURCE_DIR}/tools/common)
  target_link_options(WinProbe PRIVATE -municode)
  set_target_properties(WinProbe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  # The catalog serves the launcher itself as its own current copy, and the demo installer; stripped,
  # as a deployer would publish them.
  set(release ${SKYLAUNCH_LOCAL_CATALOG_DIR}/2024/Release)
  add_custom_command(OUTPUT ${release}/Skylaunch24.exe ${release}/S24Launch.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release}
    COMMAND ${CMAKE_STRIP} -o ${release}/Skylaunch24.exe $<TARGET_FILE:Skylaunch_local>
    COMMAND ${CMAKE_STRIP} -o ${release}/S24Launch.exe $<TARGET_FILE:demo_installer>
    DEPENDS Skylaunch_local demo_installer)
  add_custom_target(local_catalog ALL DEPENDS ${release}/Skylaunch24.exe ${release}/S24Launch.exe)
  add_dependencies(local_catalog WinProbe)

  add_test(NAME launcher_e2e COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_launcher.py
           --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
           --files-port ${SKYLAUNCH_LOCAL_FILES_PORT})
  set_tests_properties(launcher_e2e PROPERTIES TIMEOUT 900)
  skylaunch_needs_services(launcher_e2e)

  # Cancel in every phase and at any moment of a fast download, stalled services, failed updates.
  add_test(NAME launcher_cancel COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_cancel.py
           --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
           --files-port ${SKYLAUNCH_LOCAL_FILES_PORT})
  set_tests_properties(launcher_cancel PROPERTIES TIMEOUT 900)
  skylaunch_needs_services(launcher_cancel)

  # The run log of a first installation and of a refused token: the story, and no secret in it.
  add_test(NAME launcher_log COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_log.py
           --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
           --files-port ${SKYLAUNCH_LOCAL_FILES_PORT})
  set_tests_properties(launcher_log PROPERTIES TIMEOUT 300)
  skylaunch_needs_services(launcher_log)

  # The window's geometry at 96 and at 144 DPI (the prefix's LogPixels, put back afterwards).
  add_test(NAME launcher_dpi COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_dpi.py
           --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
           --files-port ${SKYLAUNCH_LOCAL_FILES_PORT})
  set_tests_properties(launcher_dpi PROPERTIES TIMEOUT 300)
  skylaunch_needs_services(launcher_dpi)

  # A first installation with decoys of the libraries the program loads planted beside it; the
  # decoys are built at test time with this tree's compiler, exporting what the program imports.
  add_test(NAME launcher_planting COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_planting.py
           --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
           --files-port ${SKYLAUNCH_LOCAL_FILES_PORT} --cc ${CMAKE_C_COMPILER} --objdump ${CMAKE_OBJDUMP})
  set_tests_properties(launcher_planting PROPERTIES TIMEOUT 300)
  skylaunch_needs_services(launcher_planting)
endif()
