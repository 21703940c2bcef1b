skylaunch_add_test(libstate_key_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/LibStateKeyTest.cpp
  LIBS libstate_core)
skylaunch_add_test(libstate_test WINDOWS_ONLY SOURCES ${CMAKE_CURRENT_LIST_DIR}/LibStateTest.cpp
  LIBS libstate)

# The planted-library test runs in a folder of its own: a decoy wininet.dll lies beside it while
# it runs, and must never sit beside another test program.
if(WIN32)
  set(planted_dir ${CMAKE_CURRENT_BINARY_DIR}/libstate_planted)
  add_library(libstate_planted_wininet SHARED ${CMAKE_CURRENT_LIST_DIR}/PlantedWinInet.cpp)
  set_target_properties(libstate_planted_wininet PROPERTIES
    PREFIX "" OUTPUT_NAME planted_wininet
    RUNTIME_OUTPUT_DIRECTORY ${planted_dir}/decoy ARCHIVE_OUTPUT_DIRECTORY ${planted_dir}/decoy)
  # Undecorated export names in the 32-bit build too.
  target_link_options(libstate_planted_wininet PRIVATE -Wl,--kill-at)

  skylaunch_add_test(libstate_planted_test WINDOWS_ONLY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LibStatePlantedTest.cpp LIBS libstate)
  set_target_properties(libstate_planted_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${planted_dir})
  add_dependencies(libstate_planted_test libstate_planted_wininet)

  # Windows takes a DLL beside the program before the system's; Wine prefers its own built-in
  # wininet unless told otherwise. This tells it so for the planted-library test program only.
  add_test(NAME libstate_planted_native_first
           COMMAND ${CMAKE_BINARY_DIR}/wine-run reg add
                   "HKCU\\Software\\Wine\\AppDefaults\\libstate_planted_test.exe\\DllOverrides"
                   /v wininet /d native,builtin /f)
  set_tests_properties(libstate_planted_native_first PROPERTIES FIXTURES_SETUP libstate_planted_order)
  set_tests_properties(libstate_planted_test PROPERTIES FIXTURES_REQUIRED libstate_planted_order)
endif()
