# The controls of the view toolkit: the control base, sliders, parameter
# displays, vertical switches and on/off buttons.
if(NOT TARGET trellisor_toolkit)
  return()
endif()
add_library(trellisor_controls STATIC
  ${CMAKE_SOURCE_DIR}/toolkit/controls/CControl.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/controls/CSlider.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/controls/CParamDisplay.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/controls/CVerticalSwitch.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/controls/COnOffButton.cpp)
target_include_directories(trellisor_controls PUBLIC ${CMAKE_SOURCE_DIR}/toolkit/controls)
target_link_libraries(trellisor_controls PUBLIC trellisor_toolkit)
trellisor_options(trellisor_controls)
