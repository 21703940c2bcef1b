# The programs' import tables hold only libraries that a file planted beside them cannot replace.
# The deployable tree (the one with a size budget) builds Skylaunch.exe alone.
if(WIN32 AND TARGET Skylaunch)
  set(_programs $<TARGET_FILE:Skylaunch>)
  if(TARGET Skylaunch_local AND NOT SKYLAUNCH_PROGRAM_SIZE_BUDGET)
    list(APPEND _programs $<TARGET_FILE:Skylaunch_local>)
  endif()
  add_test(NAME launcher_imports COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_imports.py
           --objdump ${CMAKE_OBJDUMP} ${_programs})
  set_tests_properties(launcher_imports PROPERTIES LABELS program)
endif()
