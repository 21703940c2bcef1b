# The runtime of module NonVCLMisc: the pointer list and the failure texts (platform-free, in
# nonvcl_core for every preset), and the common-controls initialisation (Windows, in nonvcl).
target_sources(nonvcl_core PRIVATE
  List.cpp
  RuntimeErrors.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE
    CommonControls.cpp)
  target_link_libraries(nonvcl PUBLIC comctl32)
endif()
