# The configured version (SKYLAUNCH_VERSION) in the built programs' version resources, read back from
# the files. The run log's start line reads the same resource (tests/e2e/test_log.py).
if(WIN32 AND TARGET Skylaunch)
  set(_programs $<TARGET_FILE:Skylaunch>)
  if(TARGET Skylaunch_local AND NOT SKYLAUNCH_PROGRAM_SIZE_BUDGET)
    list(APPEND _programs $<TARGET_FILE:Skylaunch_local>)
  endif()
  add_test(NAME launcher_version COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_version.py
           --windres ${CMAKE_RC_COMPILER} --version ${SKYLAUNCH_VERSION} ${_programs})
  set_tests_properties(launcher_version PROPERTIES LABELS program)
endif()
