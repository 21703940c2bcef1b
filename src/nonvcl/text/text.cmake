# Text: the text utilities, UTF conversion, the run-time class names read from the mangled type
# names, the Windows text helpers, and the platform side of the text utilities (the error box, the
# platform family, the temporary folder).
set(here ${CMAKE_CURRENT_LIST_DIR})
target_include_directories(nonvcl_core PUBLIC ${here})
target_sources(nonvcl_core PRIVATE ${here}/ClassName.cpp ${here}/MangledTypeName.cpp ${here}/TextUtils.cpp
                                   ${here}/Utf.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE ${here}/SystemUtils.cpp)
endif()
