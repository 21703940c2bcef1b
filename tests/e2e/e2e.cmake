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

  # A whole-program test file run with this tree and its services' ports, and its own arguments.
  function(skylaunch_program_test name file timeout)
    add_test(NAME ${name} COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${file}
             --build-dir ${CMAKE_BINARY_DIR} --control-port ${SKYLAUNCH_LOCAL_CONTROL_PORT}
             --files-port ${SKYLAUNCH_LOCAL_FILES_PORT} ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
    skylaunch_needs_services(${name})
  endfunction()

  skylaunch_program_test(launcher_e2e test_launcher.py 900)
  # Cancel in every phase and at any moment of a fast download, stalled services, failed updates.
  skylaunch_program_test(launcher_cancel test_cancel.py 900)
  # Only the file the catalog describes is taken; a cut download goes on from where it stopped.
  skylaunch_program_test(launcher_download test_download.py 600)
  # The run log of a first installation and of a refused token: the story (which starts with the
  # configured version), and no secret in it.
  skylaunch_program_test(launcher_log test_log.py 300 --program-version ${SKYLAUNCH_VERSION})
  # The window answers while the connection check waits; one launcher chain at a time per machine.
  skylaunch_program_test(launcher_window test_window.py 600)
  # The window's geometry at 96 and at 144 DPI (the prefix's LogPixels, put back afterwards).
  skylaunch_program_test(launcher_dpi test_dpi.py 300)
  # A first installation with decoys of the libraries the program loads planted beside it; the
  # decoys are built at test time with this tree's compiler, exporting what the program imports.
  skylaunch_program_test(launcher_planting test_planting.py 300 --cc ${CMAKE_C_COMPILER} --objdump ${CMAKE_OBJDUMP})
endif()
