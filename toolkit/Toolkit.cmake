# The view toolkit over the platform layer, with the editor binding
# (AEffGUIEditor) that drives it. Included by the top-level CMakeLists.txt
# right after the toolkit folder (which builds trellisor_platform).
if(NOT TARGET trellisor_platform OR NOT TARGET trellisor_host)
  return()
endif()

add_library(trellisor_toolkit STATIC
  ${CMAKE_SOURCE_DIR}/toolkit/CGeometry.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/CDrawContext.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/COffscreenContext.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/CBitmap.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/CView.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/CViewContainer.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/CFrame.cpp
  ${CMAKE_SOURCE_DIR}/host/AEffGUIEditor.cpp)
target_include_directories(trellisor_toolkit PUBLIC
  ${CMAKE_SOURCE_DIR}/toolkit ${CMAKE_SOURCE_DIR}/host)
target_link_libraries(trellisor_toolkit PUBLIC trellisor_platform trellisor_host)
trellisor_options(trellisor_toolkit)
