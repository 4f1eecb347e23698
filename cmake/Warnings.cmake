# One interface target that carries the project's warning flags.
add_library(orlindel_warnings INTERFACE)
target_compile_options(orlindel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wconversion -Wshadow
  $<$<BOOL:${ORLINDEL_WERROR}>:-Werror>)
# A pattern that does not match its arguments garbles a message: never let
# one through, on any system.
target_compile_options(orlindel_warnings INTERFACE -Werror=format)
