// Handing the process over to another program of the package.
#pragma once

#include <string>
#include <vector>

namespace orlindel::io {

// The absolute path of the running program's executable; empty where the
// system does not tell it.
std::string ExecutablePath();

// Replaces this process by the program at `path`, run with `args` (its own
// name first), the same environment and the same standard streams; its exit
// status becomes the one this process's caller sees. Returns only when the
// program cannot be started, with the system's error number.
int ReplaceProcess(const std::string& path,
                   const std::vector<std::string>& args);

}  // namespace orlindel::io
