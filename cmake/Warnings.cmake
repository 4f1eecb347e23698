# One interface target that carries the project's warning flags.
add_library(orlindel_warnings INTERFACE)
if(MSVC)
  # Sources are UTF-8; printf patterns are C99, which MSVC's runtime reads.
  target_compile_options(orlindel_warnings INTERFACE
    /W4 /utf-8 $<$<BOOL:${ORLINDEL_WERROR}>:/WX>)
else()
  target_compile_options(orlindel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wshadow
    $<$<BOOL:${ORLINDEL_WERROR}>:-Werror>)
  # A pattern that does not match its arguments garbles a message: never let
  # one through, on any system.
  target_compile_options(orlindel_warnings INTERFACE -Werror=format)
  # GCC 12 at -O3 reports overlapping copies of exabytes inside std::string
  # where a literal is put in front of a string (GCC bugs 105329, 105651):
  # a false warning, so it never stops a Release build made with -Werror.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(orlindel_warnings INTERFACE -Wno-error=restrict)
  endif()
endif()
