# The dial-up texts everywhere; the binding and the connection component under Wine.
skylaunch_add_test(ras_text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/RASTextTest.cpp LIBS ras_core)

if(WIN32)
  skylaunch_add_test(ras_test WINDOWS_ONLY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RASBindingTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RASConnTest.cpp
    LIBS ras)

  # Exports only the first functions of each set, for the binding's error messages. Copies of it
  # named RASAPI32.DLL and RNAPH.DLL lie beside the test as planted DLLs that the binding must
  # not take; the test has a folder of its own so that no other program meets them.
  add_library(ras_partial_exports SHARED ${CMAKE_CURRENT_LIST_DIR}/RasPartialExports.cpp
                                          ${CMAKE_CURRENT_LIST_DIR}/RasPartialExports.def)
  set(_ras_test_folder ${CMAKE_CURRENT_BINARY_DIR}/ras)
  set_target_properties(ras_partial_exports PROPERTIES PREFIX "" OUTPUT_NAME ras_partial_exports
                        RUNTIME_OUTPUT_DIRECTORY ${_ras_test_folder})
  set_target_properties(ras_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${_ras_test_folder})
  add_custom_command(TARGET ras_partial_exports POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ras_partial_exports> ${_ras_test_folder}/RASAPI32.DLL
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ras_partial_exports> ${_ras_test_folder}/RNAPH.DLL
    VERBATIM)
  add_dependencies(ras_test ras_partial_exports)
  # The test adds and removes HKLM\SOFTWARE\Microsoft\RAS in the tree's Wine prefix; a test that
  # binds RAS at the same time would see it come and go.
  set_tests_properties(ras_test PROPERTIES RESOURCE_LOCK wine_ras_key)
endif()
