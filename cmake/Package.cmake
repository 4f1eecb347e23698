# `cpack -G DEB` in a build tree makes the Debian package of what
# `cmake --install` puts (scripts/package does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orlindel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brackwater)
set(CPACK_PACKAGE_CONTACT Brackwater)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "editor for the OSD windows of DVD-player firmware images")
# dpkg shows the extended description as written: lines of under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Orlindel opens a firmware image of a DVD-player controller whose code is
8051 machine code in 64 KiB banks, finds the table of on-screen display
windows, the OSD message position list and the MPEG-4 subtitle parameters,
draws the windows over a TV preview and writes every change into the image
with a fresh checksum. orlindel-cli runs the same analysis from the shell.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER Brackwater)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# dpkg-shlibdeps works out the library packages the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET orlindel)
  # The editor draws with a Tahoma-metric font that fonts-wine provides; its
  # window icon is an SVG, drawn by Qt's SVG plugins in libqt6svg6.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, libqt6svg6")
endif()

include(CPack)
