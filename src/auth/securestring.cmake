# Module SecureString. The keystream and the wipe are platform-free; the protection is not.
add_library(securestring_core STATIC SecureStringCipher.cpp)
target_include_directories(securestring_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

if(WIN32)
  add_library(securestring STATIC SecureString.cpp SecureStringProtection.cpp)
  # libstate brings the loader that takes crypt32 from the system folder only.
  target_link_libraries(securestring PUBLIC securestring_core nonvcl_core libstate advapi32)
endif()
