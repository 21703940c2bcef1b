# The platform HTTP layer against the local services, under Wine.
skylaunch_add_test(platform_http_test WINDOWS_ONLY NEEDS_SERVICES
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformHttpTest.cpp
  LIBS platform_http test_support local_services_config)

# No source of the program may relax certificate checks. Platform-free: the host tree runs it.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME certificate_checks_intact
           COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/certificate_checks.py
                   ${CMAKE_SOURCE_DIR}/src)
  set_tests_properties(certificate_checks_intact PROPERTIES ENVIRONMENT PYTHONDONTWRITEBYTECODE=1)
endif()
