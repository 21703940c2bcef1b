# Modules NonVCLWindow and NonVCLControls: the window base with its object instances, the DPI of
# windows, and the standard controls. The run-time class name is platform-free.
target_sources(nonvcl_core PRIVATE
  ClassName.cpp
  MangledTypeName.cpp)

if(WIN32)
  target_sources(nonvcl PRIVATE
    ObjectInstance.cpp
    Dpi.cpp
    NonVCLWindow.cpp
    NonVCLControls.cpp)
  target_link_libraries(nonvcl PUBLIC user32 gdi32 comctl32)
endif()
