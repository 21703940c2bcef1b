# A deployer's rebuild of the deployable program (check_rebuild.py): the same sources and constants
# built again in another folder give the same bytes, and the signing step signs them with a
# throw-away certificate. Only in the deployable tree (the one with a size budget): it builds the
# program once more, about a minute.
if(WIN32 AND TARGET Skylaunch AND SKYLAUNCH_PROGRAM_SIZE_BUDGET)
  find_program(SKYLAUNCH_OSSLSIGNCODE osslsigncode)
  set(_constants)
  # Every cache variable that is compiled into the program.
  foreach(name IN ITEMS SKYLAUNCH_RELEASE_SERVICE_URL SKYLAUNCH_OAUTH_E2E_URL SKYLAUNCH_OAUTH_PROD_URL
                        SKYLAUNCH_OAUTH_E2E_APP_TOKEN SKYLAUNCH_OAUTH_PROD_APP_TOKEN SKYLAUNCH_VERSION)
    list(APPEND _constants --define "${name}=${${name}}")
  endforeach()
  add_test(NAME program_rebuild COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_rebuild.py
           --source ${CMAKE_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/rebuild --program $<TARGET_FILE:Skylaunch>
           --osslsigncode ${SKYLAUNCH_OSSLSIGNCODE} ${_constants})
  set_tests_properties(program_rebuild PROPERTIES LABELS program TIMEOUT 1200)
endif()
