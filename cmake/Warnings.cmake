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
endif()
