# Module NonVCLMisc and the rest of the lightweight runtime.
add_library(nonvcl_core STATIC
  ExceptionLite.cpp
  ExceptionText.cpp
  RunLogText.cpp
  Stream.cpp
  TextUtils.cpp
  Utf.cpp)
target_include_directories(nonvcl_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

if(WIN32)
  add_library(nonvcl STATIC
    FileStream.cpp
    RunLog.cpp
    SystemUtils.cpp)
  target_link_libraries(nonvcl PUBLIC nonvcl_core user32 kernel32)
endif()
