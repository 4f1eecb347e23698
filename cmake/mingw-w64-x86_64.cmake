# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, which std::thread and GoogleTest need). Programs link statically:
# orlindel-cli.exe runs without any DLL beside it. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Libraries and headers come from the mingw-w64 tree only (zlib from
# libz-mingw-w64-dev, GoogleTest from the prefix it was built into), never
# from the host's /usr/include.
set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${ORLINDEL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON)

# CLI11 and nlohmann-json are header-only: the host's copies serve through
# package files of our own (cmake/windows).
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/windows)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/windows)

# printf-style formatting follows C99 (%zu, %lld), not the older runtime's
# dialect; Windows 10 is the oldest system served.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 _WIN32_WINNT=0x0A00
                        UNICODE _UNICODE)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# GCC 12 warns of overlapping copies inside libstdc++'s own string code at
# -O3, where there are none (its bug 105329): seen, but no build failure.
set(CMAKE_CXX_FLAGS_INIT "-Wno-error=restrict")

find_program(ORLINDEL_WINE NAMES wine64 wine)
if(ORLINDEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORLINDEL_WINE})
endif()
