# Debian package: Trellisor.so into /usr/lib/vst, where Linux hosts look
# without configuration, and the renderer into /usr/bin. Built with
#   cmake --build build --target package     (or: cd build && cpack -G DEB)
# The package rules use their own component, and the package installs only
# that component, so that a plain `cmake --install` keeps installing into the
# user's ~/.vst only and the package never carries that rule.
if(TARGET Trellisor)
  install(TARGETS Trellisor LIBRARY DESTINATION lib/vst COMPONENT deb EXCLUDE_FROM_ALL)
endif()
if(TARGET trellisor-render)
  install(TARGETS trellisor-render RUNTIME DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/trellisor COMPONENT deb EXCLUDE_FROM_ALL)

# The package version is the plug-in's vendor version, one digit per part:
# 104 is 1.0.4.
set(_trellisor_version_source ${PROJECT_SOURCE_DIR}/engine/Trellisor.cpp)
set(TRELLISOR_PACKAGE_VERSION "${PROJECT_VERSION}")
if(EXISTS ${_trellisor_version_source})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_trellisor_version_source})
  file(READ ${_trellisor_version_source} _trellisor_source)
  if(_trellisor_source MATCHES "getVendorVersion\\(\\)[^{]*{[ \t\r\n]*return[ \t]+([0-9]+)[ \t]*;")
    string(REGEX REPLACE "([0-9])" "\\1." _trellisor_dotted "${CMAKE_MATCH_1}")
    string(REGEX REPLACE "\\.$" "" TRELLISOR_PACKAGE_VERSION "${_trellisor_dotted}")
  else()
    message(WARNING "Packaging: no vendor version found in ${_trellisor_version_source}; using ${PROJECT_VERSION}")
  endif()
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "trellisor")
set(CPACK_PACKAGE_VERSION "${TRELLISOR_PACKAGE_VERSION}")
set(CPACK_PACKAGE_VENDOR "Kestova Software, Halvoren")
set(CPACK_PACKAGE_CONTACT "Kestova Software <support@kestova.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# Only the deb component: build tree, project name, component, subdirectory.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_DEB_COMPONENT_INSTALL OFF)
# Installed programs without their debugging sections.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "trellisor_${TRELLISOR_PACKAGE_VERSION}_amd64.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "amd64")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_ENHANCES "ardour, carla")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spectral resynthesis audio effect (VST 2 plug-in)")
# CPack puts the summary above this text as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Trellisor rebuilds a sound from its spectrum. It listens to the input in
short frames and plays every loud enough partial back through a bank of
oscillators - sine, triangle, saw, square or a mixed shape - so that voices,
drums and instruments turn into glassy, buzzing or organ-like textures.
Seven controls set how much of the spectrum is rebuilt, the threshold, the
waveform, a pitch nudge, the frame size, whether the oscillators follow the
measured frequencies, and an optional smoothing window.

The plug-in, /usr/lib/vst/Trellisor.so, is found by Linux VST hosts such as
Ardour, REAPER, Bitwig Studio, Carla and Qtractor without configuration; it
reports 1024 samples of latency, which the host compensates. The package also
ships trellisor-render, which renders audio files through the plug-in
offline.")
include(CPack)
