# The runtime of module NonVCLMisc: the pointer list and the failure texts (platform-free, in
# nonvcl_core for every preset), the exception hooks, threads, system error texts, the module's
# start-up and shutdown and the common-controls initialisation (Windows, in nonvcl).
target_sources(nonvcl_core PRIVATE
  List.cpp
  RuntimeErrors.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE
    CommonControls.cpp
    ExceptionHooks.cpp
    FaultTrampoline.cpp
    Runtime.cpp
    SystemError.cpp
    Thread.cpp)
  target_link_libraries(nonvcl PUBLIC comctl32)
  # The exception hooks throw from the faulting instruction itself. The unwinder can then leave
  # the faulting function only when the compiler has described every trapping instruction in its
  # exception tables (-fnon-call-exceptions) and its frame at every instruction
  # (-fasynchronous-unwind-tables). A fault may happen in any code that uses the runtime, so the
  # flags travel with nonvcl_core, which all of that code links.
  target_compile_options(nonvcl_core PUBLIC -fnon-call-exceptions -fasynchronous-unwind-tables)
endif()

# The program's own definitions of what the C++ library would otherwise link at a multiple of the
# size: its throw helpers and its default terminate handler. Objects, not an archive, so that they
# stand ahead of the library whatever refers to them; linked by the programs, not by the tests of
# their parts (see ThrowHelpers.cpp and TerminateDefault.cpp).
if(WIN32)
  add_library(program_runtime OBJECT ThrowHelpers.cpp TerminateDefault.cpp)
  target_link_libraries(program_runtime PUBLIC nonvcl_core)
endif()
