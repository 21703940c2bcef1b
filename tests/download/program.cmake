# The workflow's text rules, in every tree.
skylaunch_add_test(download_rules_test SOURCES DownloadProgramRulesTest.cpp LIBS download_rules)

# The hash of a download on its own thread, under Wine.
skylaunch_add_test(download_hash_test WINDOWS_ONLY SOURCES BackgroundSha256Test.cpp LIBS download_hash)

# The workflow under Wine against the local services, with the token client of their OAuth
# origin. The test compares downloads with the catalog files it serves, read through Wine's Z:
# drive.
if(WIN32 AND TARGET oauth_client_local)
  skylaunch_add_test(download_program_test WINDOWS_ONLY NEEDS_SERVICES
    SOURCES DownloadProgramTest.cpp
    LIBS download_program oauth_client_local test_support test_module_environment local_services_config)
  target_compile_definitions(download_program_test PRIVATE
                             SKYLAUNCH_TEST_CATALOG_DIR="${SKYLAUNCH_LOCAL_CATALOG_DIR}")

  # Figures, never a test: measure_download_program.py runs this program against a catalog with a
  # large file and sets it beside plain WinInet loops and the host's curl.
  add_executable(download_program_measure DownloadProgramMeasure.cpp)
  # Its plain loops call WinInet directly, so it imports the library (the program binds it by name).
  target_link_libraries(download_program_measure PRIVATE download_program oauth_client_local test_support
                        local_services_config rapidjson wininet)
endif()
