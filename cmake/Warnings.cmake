# One interface target that carries the project's warning flags.
add_library(orlindel_warnings INTERFACE)
target_compile_options(orlindel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wconversion -Wshadow
  $<$<BOOL:${ORLINDEL_WERROR}>:-Werror>)
