# Module DownloadThread, the workflow TDownloadProgram: its platform-free text rules.
add_library(download_rules STATIC ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramRules.cpp)
target_include_directories(download_rules PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(download_rules PUBLIC nonvcl_core)

