# Modules NoUserOAuthConstants and NoUserOAuthORBNet: the OAuth environment table and the
# bearer-token client.
#
# The two OAuth base URLs and application tokens are deployment constants, compiled in; there is no
# runtime override (the program runs elevated). The token logic (oauth_core, every preset) takes the
# table from its surroundings; the program's side (Windows) comes once per set of values:
#   oauth_client        the token client with the deployment's values (the program)
#   oauth_client_local  the same client with the values of the local test services (tests that talk
#                       to tools/services.py), when cmake/LocalServices.cmake is part of the build
set(SKYLAUNCH_OAUTH_E2E_URL "https://oauth-e2e.skylaunch.invalid"
    CACHE STRING "Base URL of the test (E2E) OAuth service (https, no trailing slash)")
set(SKYLAUNCH_OAUTH_PROD_URL "https://oauth.skylaunch.invalid"
    CACHE STRING "Base URL of the production OAuth service (https, no trailing slash)")
set(SKYLAUNCH_OAUTH_E2E_APP_TOKEN "E2EPlaceholderApplicationToken00000000000000000000"
    CACHE STRING "Application token issued for the test (E2E) environment: 50 letters and digits")
set(SKYLAUNCH_OAUTH_PROD_APP_TOKEN "PRODPlaceholderApplicationToken0000000000000000000"
    CACHE STRING "Application token issued for the production environment: 50 letters and digits")

# The values become C++ string literals, so they are checked strictly here rather than escaped.
function(skylaunch_check_oauth_values e2e_url e2e_token prod_url prod_token)
  foreach(url IN ITEMS "${e2e_url}" "${prod_url}")
    if(NOT url MATCHES "^https://[-A-Za-z0-9.:_~%!$&'()*+,;=@/]+$" OR url MATCHES "/$")
      message(FATAL_ERROR "OAuth base URL '${url}': expected https://host[:port][/path] without a trailing slash")
    endif()
  endforeach()
  foreach(token IN ITEMS "${e2e_token}" "${prod_token}")
    string(LENGTH "${token}" length)
    if(NOT length EQUAL 50 OR NOT token MATCHES "^[A-Za-z0-9]+$")
      message(FATAL_ERROR "OAuth application token '${token}': expected 50 letters and digits")
    endif()
  endforeach()
endfunction()

# The token client's platform-free logic: Base64, the service's answers, the token cache.
add_library(oauth_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthAnswer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthBase64.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NoUserOAuthORBNet.cpp)
target_include_directories(oauth_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(oauth_core PUBLIC nonvcl_core rapidjson)

