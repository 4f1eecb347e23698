#include <fcntl.h>
#include <io.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, whose definitions it uses.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "core/io/standard_streams.h"
#include "core/io/windows_paths.h"

namespace orlindel::io {

namespace {

UINT console_output_page = 0;

void RestoreConsoleOutputPage() { SetConsoleOutputCP(console_output_page); }

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr)
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int k = 1; k < count; ++k) args.push_back(Utf8FromWide(wide[k]));
  LocalFree(wide);
  return args;
}

void PrepareStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The messages are UTF-8: a console shows them so while the program runs,
  // and gets its own code page back afterwards.
  console_output_page = GetConsoleOutputCP();
  if (console_output_page != 0 && console_output_page != CP_UTF8 &&
      SetConsoleOutputCP(CP_UTF8))
    std::atexit(RestoreConsoleOutputPage);
}

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace orlindel::io
