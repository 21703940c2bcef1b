# The window toolkit: the window base with its object instances, the DPI of windows, the standard
# controls and the common-controls initialisation.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_include_directories(nonvcl_core PUBLIC ${here})

if(WIN32)
  target_sources(nonvcl PRIVATE ${here}/CommonControls.cpp ${here}/Dpi.cpp ${here}/NonVCLControls.cpp
                                ${here}/NonVCLWindow.cpp ${here}/ObjectInstance.cpp)
  target_link_libraries(nonvcl PUBLIC user32 gdi32 comctl32)
endif()
