# Authenticode signing of the deployable program (SHA-256, through osslsigncode), off unless a PKCS#12
# file is configured. Windows shows an unsigned program that asks for administrator rights with an
# unknown publisher, and download filters block it.
#   SKYLAUNCH_SIGNING_PKCS12          the code-signing certificate, its chain and key; empty: no signing
#   SKYLAUNCH_SIGNING_PASSWORD_FILE   a file that holds the PKCS#12 file's password, or
#   SKYLAUNCH_SIGNING_PASSWORD_ENV    the name of an environment variable that holds it while building
#   SKYLAUNCH_SIGNING_TIMESTAMP_URL   an RFC 3161 time-stamp service; empty: no time stamp
# Only the file's path or the variable's name is kept here: the password itself is never in the
# cache, the build files or the build's output.
#   skylaunch_sign(<target>)          signs the target's file as the last step of its build
#                                     (cmake/sign_program.py, run by SKYLAUNCH_PYTHON)
include_guard(GLOBAL)

set(SKYLAUNCH_SIGNING_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file with the code-signing certificate and key for Skylaunch.exe; empty: the program is not signed")
set(SKYLAUNCH_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File that holds the PKCS#12 file's password")
set(SKYLAUNCH_SIGNING_PASSWORD_ENV "" CACHE STRING
    "Name of the environment variable that holds the PKCS#12 file's password while building")
set(SKYLAUNCH_SIGNING_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp service for the signature; empty: none")

if(SKYLAUNCH_SIGNING_PKCS12)
  if(NOT EXISTS "${SKYLAUNCH_SIGNING_PKCS12}" OR IS_DIRECTORY "${SKYLAUNCH_SIGNING_PKCS12}")
    message(FATAL_ERROR "SKYLAUNCH_SIGNING_PKCS12: no file '${SKYLAUNCH_SIGNING_PKCS12}'")
  endif()
  if(SKYLAUNCH_SIGNING_PASSWORD_FILE AND SKYLAUNCH_SIGNING_PASSWORD_ENV)
    message(FATAL_ERROR "Signing: set either SKYLAUNCH_SIGNING_PASSWORD_FILE or SKYLAUNCH_SIGNING_PASSWORD_ENV, "
                        "not both")
  elseif(SKYLAUNCH_SIGNING_PASSWORD_FILE)
    if(NOT EXISTS "${SKYLAUNCH_SIGNING_PASSWORD_FILE}" OR IS_DIRECTORY "${SKYLAUNCH_SIGNING_PASSWORD_FILE}")
      message(FATAL_ERROR "SKYLAUNCH_SIGNING_PASSWORD_FILE: no file '${SKYLAUNCH_SIGNING_PASSWORD_FILE}'")
    endif()
    set(_skylaunch_password --password-file ${SKYLAUNCH_SIGNING_PASSWORD_FILE})
  elseif(SKYLAUNCH_SIGNING_PASSWORD_ENV)
    if(NOT SKYLAUNCH_SIGNING_PASSWORD_ENV MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      # Perhaps the password itself: neither kept in the cache nor repeated here.
      unset(SKYLAUNCH_SIGNING_PASSWORD_ENV CACHE)
      message(FATAL_ERROR "SKYLAUNCH_SIGNING_PASSWORD_ENV is the name of the environment variable that holds the "
                          "password (letters, digits and _), never the password; the value given was dropped")
    endif()
    set(_skylaunch_password --password-env ${SKYLAUNCH_SIGNING_PASSWORD_ENV})
  else()
    message(FATAL_ERROR "Signing: the PKCS#12 file's password is read from a file or from the environment: set "
                        "SKYLAUNCH_SIGNING_PASSWORD_FILE or SKYLAUNCH_SIGNING_PASSWORD_ENV")
  endif()
  if(SKYLAUNCH_SIGNING_TIMESTAMP_URL AND NOT SKYLAUNCH_SIGNING_TIMESTAMP_URL MATCHES "^https?://[^ ]+$")
    message(FATAL_ERROR "SKYLAUNCH_SIGNING_TIMESTAMP_URL '${SKYLAUNCH_SIGNING_TIMESTAMP_URL}': "
                        "expected an http or https URL")
  endif()
  find_program(SKYLAUNCH_OSSLSIGNCODE osslsigncode)
  if(NOT SKYLAUNCH_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (Debian's package osslsigncode; scripts/setup installs it)")
  endif()
endif()

function(skylaunch_sign target)
  # A change of the signing set-up links the program again, so that it is signed as now configured.
  set(setup ${CMAKE_BINARY_DIR}/generated/signing/${target}.txt)
  file(CONFIGURE OUTPUT ${setup} CONTENT
       "${SKYLAUNCH_SIGNING_PKCS12}\n${_skylaunch_password}\n${SKYLAUNCH_SIGNING_TIMESTAMP_URL}\n")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${setup})
  if(NOT SKYLAUNCH_SIGNING_PKCS12)
    return()
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SKYLAUNCH_SIGNING_PKCS12})
  set(timestamp)
  if(SKYLAUNCH_SIGNING_TIMESTAMP_URL)
    set(timestamp --timestamp-url ${SKYLAUNCH_SIGNING_TIMESTAMP_URL})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${SKYLAUNCH_PYTHON} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/sign_program.py
            --osslsigncode ${SKYLAUNCH_OSSLSIGNCODE} --pkcs12 ${SKYLAUNCH_SIGNING_PKCS12} ${_skylaunch_password}
            ${timestamp} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
