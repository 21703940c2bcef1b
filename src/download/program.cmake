# Module DownloadThread, the workflow TDownloadProgram: its platform-free text rules and the SHA-256
# of a download, and the workflow itself over WinInet.
add_library(download_rules STATIC ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramRules.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/Sha256.cpp)
target_include_directories(download_rules PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(download_rules PUBLIC nonvcl_core)

if(WIN32)
  # The SHA-256 of a download on a thread of its own.
  add_library(download_hash STATIC ${CMAKE_CURRENT_LIST_DIR}/BackgroundSha256.cpp)
  target_link_libraries(download_hash PUBLIC download_rules)

  add_library(download_program STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DownloadProgram.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramCatalog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramConnection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadProgramTransfer.cpp)
  # The token client comes with the executable: oauth_client (the program) or oauth_client_local
  # (tests against the local services).
  target_link_libraries(download_program PUBLIC download_rules download_hash platform_http manifest oauth_core nonvcl)
endif()
