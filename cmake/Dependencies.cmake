# Debian's packages, used in place.

# GoogleTest/GoogleMock built from source with the current toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# RapidJSON is header-only. The cross build must not see the host's /usr/include (it would pull
# glibc headers into the Windows build), so a build-tree folder exposes only its header folder.
set(SKYLAUNCH_THIRDPARTY_INCLUDE ${CMAKE_BINARY_DIR}/thirdparty-include)
file(MAKE_DIRECTORY ${SKYLAUNCH_THIRDPARTY_INCLUDE})
if(NOT EXISTS ${SKYLAUNCH_THIRDPARTY_INCLUDE}/rapidjson)
  file(CREATE_LINK /usr/include/rapidjson ${SKYLAUNCH_THIRDPARTY_INCLUDE}/rapidjson SYMBOLIC)
endif()
add_library(rapidjson INTERFACE)
target_include_directories(rapidjson SYSTEM INTERFACE ${SKYLAUNCH_THIRDPARTY_INCLUDE})
