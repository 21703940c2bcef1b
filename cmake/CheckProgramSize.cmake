# cmake -DPROGRAM=<exe> -DBUDGET=<bytes> -P CheckProgramSize.cmake
# Prints the size of the deployable program and fails when it is above the budget.
foreach(argument PROGRAM BUDGET)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "CheckProgramSize.cmake needs -D${argument}=…")
  endif()
endforeach()
if(NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "${PROGRAM} does not exist: build it first")
endif()
if(NOT BUDGET MATCHES "^[0-9]+$")
  message(FATAL_ERROR "The budget must be a number of bytes, not \"${BUDGET}\"")
endif()

file(SIZE "${PROGRAM}" size)
math(EXPR kib "${size} / 1024")
math(EXPR budget_kib "${BUDGET} / 1024")
get_filename_component(name "${PROGRAM}" NAME)
set(line "${name}: ${size} bytes (${kib} KiB); budget ${BUDGET} bytes (${budget_kib} KiB)")
if(size GREATER BUDGET)
  message(FATAL_ERROR "${line}: too large. Look for what pulls a large part of a library in (a link map: "
                      "-Wl,-Map,<file>).")
endif()
message(STATUS "${line}")
