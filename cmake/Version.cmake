# The one version number, project(VERSION), as a header every program includes.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in
               ${PROJECT_BINARY_DIR}/generated/orlindel/version.h @ONLY)
add_library(orlindel_version INTERFACE)
add_library(Orlindel::Version ALIAS orlindel_version)
target_include_directories(orlindel_version
                           INTERFACE ${PROJECT_BINARY_DIR}/generated)
