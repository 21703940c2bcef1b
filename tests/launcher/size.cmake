# The size of the deployable program. Users download it before anything else, so the release tree
# (preset "release", which sets SKYLAUNCH_PROGRAM_SIZE_BUDGET) checks what it builds against a
# budget: a change that pulls a large part of a library into the program fails here.
set(SKYLAUNCH_PROGRAM_SIZE_BUDGET "" CACHE STRING
    "Largest allowed size of Skylaunch.exe in bytes; empty: no check (the test trees' program keeps its symbols)")
if(WIN32 AND SKYLAUNCH_PROGRAM_SIZE_BUDGET)
  add_test(NAME program_size
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:Skylaunch> -DBUDGET=${SKYLAUNCH_PROGRAM_SIZE_BUDGET}
                   -P ${CMAKE_SOURCE_DIR}/cmake/CheckProgramSize.cmake)
  set_tests_properties(program_size PROPERTIES LABELS program)
endif()
