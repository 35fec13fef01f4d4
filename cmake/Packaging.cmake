# Debian package: Trellisor.so into /usr/lib/vst, where Linux hosts look
# without configuration, and the renderer into /usr/bin. Built with
#   cmake --build build --target package     (or: cd build && cpack -G DEB)
# The package rules use their own component so that a plain
# `cmake --install` keeps installing into the user's ~/.vst only.
if(TARGET Trellisor)
  install(TARGETS Trellisor LIBRARY DESTINATION lib/vst COMPONENT deb EXCLUDE_FROM_ALL)
endif()
if(TARGET trellisor-render)
  install(TARGETS trellisor-render RUNTIME DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "trellisor")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Kestova Software, Halvoren")
set(CPACK_PACKAGE_CONTACT "Kestova Software <support@kestova.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_DEBIAN_FILE_NAME "trellisor_${PROJECT_VERSION}_amd64.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "amd64")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spectral resynthesis audio effect (VST 2 plug-in)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "spectral resynthesis audio effect (VST 2 plug-in)
 Trellisor rebuilds a sound from its spectrum: it cuts the input into frames
 of 256, 512 or 1024 samples and plays every loud enough bin back through a
 bank of oscillators - sine, triangle, saw, square or a mixed shape - nudged
 in pitch, optionally following the measured frequencies, and optionally
 shaped by a window. Load Trellisor.so from /usr/lib/vst in any Linux VST
 host (Ardour, REAPER, Bitwig Studio, Carla, Qtractor). The package also
 ships trellisor-render, an offline renderer for audio files.")
include(CPack)
