# The application manifest of the built program, as the platform reads it.
if(WIN32 AND TARGET Skylaunch)
  skylaunch_add_test(launcher_manifest_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/ManifestTest.cpp
    LIBS ole32)
  target_compile_definitions(launcher_manifest_test PRIVATE SKYLAUNCH_PROGRAM_PATH="$<TARGET_FILE:Skylaunch>")
  add_dependencies(launcher_manifest_test Skylaunch)
endif()
