# The programs' import tables hold only libraries that a file planted beside them cannot replace.
if(WIN32 AND TARGET Skylaunch)
  set(_programs $<TARGET_FILE:Skylaunch>)
  if(TARGET Skylaunch_local)
    list(APPEND _programs $<TARGET_FILE:Skylaunch_local>)
  endif()
  add_test(NAME launcher_imports COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_imports.py
           --objdump ${CMAKE_OBJDUMP} ${_programs})
endif()
