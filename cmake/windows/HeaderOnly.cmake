# A header-only library of the host for a cross build: its folder is shown
# through a folder that holds nothing else, so that the host's C library
# headers stay out of the cross compiler's view.
function(orlindel_header_only target folder)
  if(TARGET ${target})
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/header-only)
  file(MAKE_DIRECTORY ${dir})
  if(NOT EXISTS ${dir}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${dir}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${dir})
endfunction()
