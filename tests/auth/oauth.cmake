# Tests of the bearer-token client.
skylaunch_add_test(oauth_answer_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthAnswerTest.cpp LIBS oauth_core)
skylaunch_add_test(oauth_token_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthTokenTest.cpp
  LIBS oauth_core)
skylaunch_add_test(oauth_service_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthServiceTest.cpp
  LIBS oauth_client_local test_support test_module_environment)
