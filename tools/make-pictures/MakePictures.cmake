# The picture generator: draws the editor's pictures 128-138 with the
# platform raster. `cmake --build <dir> --target update-pictures` rewrites
# resources/*.png from it; commit the result.
set(TRELLISOR_ART_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(trellisor_artwork STATIC
  ${TRELLISOR_ART_DIR}/Artwork.cpp
  ${TRELLISOR_ART_DIR}/Canvas.cpp
  ${TRELLISOR_ART_DIR}/Coverage.cpp
  ${TRELLISOR_ART_DIR}/PixelFont.cpp
  ${TRELLISOR_ART_DIR}/TitleFont.cpp)
target_include_directories(trellisor_artwork PUBLIC ${TRELLISOR_ART_DIR})
target_link_libraries(trellisor_artwork PUBLIC trellisor_platform)
trellisor_options(trellisor_artwork)

add_executable(trellisor-make-pictures ${TRELLISOR_ART_DIR}/main.cpp)
target_link_libraries(trellisor-make-pictures PRIVATE trellisor_artwork)
trellisor_options(trellisor-make-pictures)

add_custom_target(update-pictures
  COMMAND trellisor-make-pictures --out ${PROJECT_SOURCE_DIR}/resources
  COMMENT "Drawing the editor's pictures into resources/"
  VERBATIM)
