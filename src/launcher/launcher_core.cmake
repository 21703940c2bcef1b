# The launcher's platform-free rules.
add_library(launcher_core STATIC ${CMAKE_CURRENT_LIST_DIR}/HandOffRules.cpp)
target_include_directories(launcher_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(launcher_core PUBLIC nonvcl_core)
