# What `cmake --install` puts on the system: both programs, the licence, the
# command-line reference, the bash completion and, for the editor, its desktop
# entry, icons, file type and AppStream metadata. One id names the desktop
# entry, the icon and the metadata.
#
# The artefacts made by tools beyond the compiler (the rendered PNG icons,
# the manual pages, compressed) are made only with ORLINDEL_INSTALL_ARTEFACTS,
# which installing and packaging turn on: a plain build needs only the build
# dependencies.
include(GNUInstallDirs)

option(ORLINDEL_INSTALL_ARTEFACTS
       "Make and install the manual pages and the rendered PNG icons" OFF)

set(ORLINDEL_APP_ID io.github.orlindel.Orlindel)
set(ORLINDEL_HOMEPAGE "https://orlindel.github.io"
    CACHE STRING "The project's homepage; the AppStream screenshot lies below it")
# The day the release that project(VERSION) names was made.
set(ORLINDEL_RELEASE_DATE 2026-12-08)

foreach(program IN ITEMS orlindel orlindel-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Debian looks for a package's licence under this name.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orlindel
        RENAME copyright)

# Desktop integration and manual pages exist on freedesktop systems only; a
# cross-build for Windows installs the programs and the licence.
if(NOT UNIX OR APPLE)
  return()
endif()

set(data_out ${PROJECT_BINARY_DIR}/data)

if(TARGET orlindel-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/cli.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orlindel-cli)
endif()

if(TARGET orlindel)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${ORLINDEL_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The layout documents' file type, for file managers.
  install(FILES ${PROJECT_SOURCE_DIR}/data/mime/${ORLINDEL_APP_ID}.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

  configure_file(${PROJECT_SOURCE_DIR}/data/${ORLINDEL_APP_ID}.metainfo.xml.in
                 ${data_out}/${ORLINDEL_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${data_out}/${ORLINDEL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${ORLINDEL_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(NOT ORLINDEL_INSTALL_ARTEFACTS)
  return()
endif()

find_program(ORLINDEL_GZIP gzip REQUIRED)
set(artefacts)

# A manual page, compressed as Debian installs them: gzip -n keeps the
# time and name out, so two builds give the same bytes.
function(orlindel_install_man_page page)
  get_filename_component(name ${page} NAME)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${ORLINDEL_GZIP} -9nkf ${page}
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# The date the pages show: the release's, or SOURCE_DATE_EPOCH's when a
# package build sets it, so two builds of one source give the same pages.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  string(TIMESTAMP ORLINDEL_PAGE_DATE "%Y-%m-%d" UTC)
else()
  set(ORLINDEL_PAGE_DATE ${ORLINDEL_RELEASE_DATE})
endif()

if(TARGET orlindel)
  # The PNG sizes are rendered from the one SVG drawing, so they never drift.
  find_program(ORLINDEL_RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_svg ${PROJECT_SOURCE_DIR}/data/icons/${ORLINDEL_APP_ID}.svg)
  foreach(size IN ITEMS 16 32 48 64 128 256)
    set(png ${data_out}/icons/${size}x${size}/${ORLINDEL_APP_ID}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${data_out}/icons/${size}x${size}
      COMMAND ${ORLINDEL_RSVG_CONVERT} --width=${size} --height=${size}
              --output=${png} ${icon_svg}
      DEPENDS ${icon_svg}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND artefacts ${png})
    install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  set(editor_man ${data_out}/man/orlindel.1)
  configure_file(${PROJECT_SOURCE_DIR}/data/man/orlindel.1.in ${editor_man}
                 @ONLY)
  orlindel_install_man_page(${editor_man})
  list(APPEND artefacts ${editor_man}.gz)
endif()

# The orlindel-cli page is written from the command table that drives the
# program's help, with the example session of docs/cli.md.
if(TARGET orlindel-cli)
  set(cli_man ${data_out}/man/orlindel-cli.1)
  set(cli_man_template ${PROJECT_SOURCE_DIR}/data/man/orlindel-cli.1.in)
  add_custom_command(
    OUTPUT ${cli_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${data_out}/man
    COMMAND orlindel-cli-manpage ${cli_man_template}
            ${PROJECT_SOURCE_DIR}/docs/cli.md ${ORLINDEL_PAGE_DATE} ${cli_man}
    DEPENDS orlindel-cli-manpage ${cli_man_template}
            ${PROJECT_SOURCE_DIR}/docs/cli.md
    COMMENT "Writing the orlindel-cli manual page"
    VERBATIM)
  orlindel_install_man_page(${cli_man})
  list(APPEND artefacts ${cli_man}.gz)
endif()

add_custom_target(orlindel_install_artefacts ALL DEPENDS ${artefacts})
