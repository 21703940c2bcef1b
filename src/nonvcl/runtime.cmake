# The runtime of module NonVCLMisc: pointer list, threads, exception hooks, system error texts and
# the common-controls initialisation. Platform-free parts go into nonvcl_core (every preset), the
# Windows parts into nonvcl.
if(WIN32)
  target_sources(nonvcl PRIVATE
    CommonControls.cpp)
  target_link_libraries(nonvcl PUBLIC comctl32)
endif()
