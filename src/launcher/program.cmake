# Skylaunch.exe, and the same program compiled against the local test services
# (Skylaunch_local.exe: the whole-program tests and the demo run it).
if(WIN32)
  add_library(launcher_form STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DownloadForm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadFormLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ModuleStartup.cpp)
  target_include_directories(launcher_form PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(launcher_form PUBLIC launcher_chain launcher_handoff download_thread internetmgr orbinternet
                                             libstate ras setup nonvcl)

  # The resource compiler's dependency scan sees #include only, not the files that resources name.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/resources/Skylaunch.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_CURRENT_LIST_DIR}/resources/Skylaunch.manifest;${CMAKE_CURRENT_LIST_DIR}/resources/Skylaunch.ico")

  function(skylaunch_launcher name release_service oauth_client)
    add_executable(${name} WIN32 ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Skylaunch.cpp
                                 ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/resources/Skylaunch.rc)
    # The libraries that carry the deployment constants are linked whole: the modules that refer
    # to them come later on the link line.
    target_link_libraries(${name} PRIVATE launcher_form
                                          ${release_service} "$<LINK_LIBRARY:WHOLE_ARCHIVE,${oauth_client}>")
    target_link_libraries(${name} PRIVATE program_version program_runtime)
    target_link_options(${name} PRIVATE -municode)
  endfunction()

  skylaunch_launcher(Skylaunch release_service oauth_client)
  # The deployable program is signed where the tree is configured for it (cmake/Signing.cmake).
  include(Signing)
  skylaunch_sign(Skylaunch)
  if(TARGET release_service_local AND TARGET oauth_client_local)
    skylaunch_launcher(Skylaunch_local release_service_local oauth_client_local)
  endif()
endif()
