# The object runtime: the root object, the pointer list, threads and the program's locks, the module's
# start-up and shutdown, the exception class and the texts of failures, the exception hooks with the
# fault trampoline, and the system's error texts.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_include_directories(nonvcl_core PUBLIC ${here})
target_sources(nonvcl_core PRIVATE ${here}/ExceptionLite.cpp ${here}/ExceptionText.cpp ${here}/List.cpp
                                   ${here}/RuntimeErrors.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE ${here}/ExceptionHooks.cpp ${here}/FaultTrampoline.cpp ${here}/Runtime.cpp
                                ${here}/SystemError.cpp ${here}/Thread.cpp)
  # The exception hooks throw from the faulting instruction itself. The unwinder can then leave
  # the faulting function only when the compiler has described every trapping instruction in its
  # exception tables (-fnon-call-exceptions) and its frame at every instruction
  # (-fasynchronous-unwind-tables). A fault may happen in any code that uses the runtime, so the
  # flags travel with nonvcl_core, which all of that code links.
  target_compile_options(nonvcl_core PUBLIC -fnon-call-exceptions -fasynchronous-unwind-tables)

  # The program's own definitions of what the C++ library would otherwise link at a multiple of the
  # size: its throw helpers and its default terminate handler. Objects, not an archive, so that they
  # stand ahead of the library whatever refers to them; linked by the programs, not by the tests of
  # their parts (see ThrowHelpers.cpp and TerminateDefault.cpp).
  add_library(program_runtime OBJECT ${here}/ThrowHelpers.cpp ${here}/TerminateDefault.cpp)
  target_link_libraries(program_runtime PUBLIC nonvcl_core)
endif()
