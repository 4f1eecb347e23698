# What `cmake --install` puts on the system: both programs, the licence, the
# manual pages and, for the editor, its desktop entry, icons and AppStream
# metadata. One id names the desktop entry, the icon and the metadata.
include(GNUInstallDirs)

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

find_program(ORLINDEL_GZIP gzip REQUIRED)
set(data_out ${PROJECT_BINARY_DIR}/data)

if(TARGET orlindel)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${ORLINDEL_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  configure_file(${PROJECT_SOURCE_DIR}/data/${ORLINDEL_APP_ID}.metainfo.xml.in
                 ${data_out}/${ORLINDEL_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${data_out}/${ORLINDEL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The PNG sizes are rendered from the one SVG drawing, so they never drift.
  find_program(ORLINDEL_RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_svg ${PROJECT_SOURCE_DIR}/data/icons/${ORLINDEL_APP_ID}.svg)
  install(FILES ${icon_svg}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  set(icon_pngs)
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
    list(APPEND icon_pngs ${png})
    install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  set(editor_man ${data_out}/man/orlindel.1)
  add_custom_command(
    OUTPUT ${editor_man}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/man/orlindel.1
            ${editor_man}
    COMMAND ${ORLINDEL_GZIP} -9nf ${editor_man}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/man/orlindel.1
    COMMENT "Compressing the orlindel manual page"
    VERBATIM)
  install(FILES ${editor_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  add_custom_target(orlindel_editor_data ALL DEPENDS ${icon_pngs} ${editor_man}.gz)
endif()

# The orlindel-cli page is made by help2man from the program's own --help and
# --version, so it always matches the program. It is made while
# installing: the program must run on this machine, and a build that is never
# installed need not have help2man.
if(TARGET orlindel-cli AND NOT CMAKE_CROSSCOMPILING)
  install(CODE "
    set(orlindel_cli \"$<TARGET_FILE:orlindel-cli>\")
    set(orlindel_cli_h2m \"${PROJECT_SOURCE_DIR}/data/man/orlindel-cli.h2m\")
    set(orlindel_cli_man \"${data_out}/man/orlindel-cli.1\")
    set(orlindel_gzip \"${ORLINDEL_GZIP}\")
    set(orlindel_mandir \"${CMAKE_INSTALL_MANDIR}\")")
  install(CODE [[
    find_program(orlindel_help2man help2man)
    if(NOT orlindel_help2man)
      message(FATAL_ERROR "help2man is needed to make the orlindel-cli manual page")
    endif()
    get_filename_component(orlindel_man_dir "${orlindel_cli_man}" DIRECTORY)
    file(MAKE_DIRECTORY "${orlindel_man_dir}")
    execute_process(
      COMMAND "${orlindel_help2man}" --no-info
              "--include=${orlindel_cli_h2m}"
              "--output=${orlindel_cli_man}" "${orlindel_cli}"
      RESULT_VARIABLE orlindel_status)
    if(NOT orlindel_status EQUAL 0)
      message(FATAL_ERROR
        "help2man could not make the orlindel-cli manual page from "
        "`${orlindel_cli} --help` and `--version`")
    endif()
    execute_process(COMMAND "${orlindel_gzip}" -9nf "${orlindel_cli_man}"
                    COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${orlindel_mandir}")
      set(orlindel_mandir "${CMAKE_INSTALL_PREFIX}/${orlindel_mandir}")
    endif()
    file(INSTALL DESTINATION "${orlindel_mandir}/man1"
         TYPE FILE FILES "${orlindel_cli_man}.gz")
  ]])
endif()
