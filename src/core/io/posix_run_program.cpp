// Handing the process over to another program on POSIX systems.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/io/run_program.h"

namespace orlindel::io {

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path =
      std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

int ReplaceProcess(const std::string& path,
                   const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(path.c_str(), argv.data());
  return errno;
}

}  // namespace orlindel::io
