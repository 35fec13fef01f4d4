# trellisor-editor-png: the editor drawn without a display into a PNG file.
# Included from editor/CMakeLists.txt once the editor library exists.
add_executable(trellisor-editor-png ${PROJECT_SOURCE_DIR}/tools/editor-png/EditorPng.cpp)
target_link_libraries(trellisor-editor-png PRIVATE trellisor_editor)
set_target_properties(trellisor-editor-png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
trellisor_options(trellisor-editor-png)
