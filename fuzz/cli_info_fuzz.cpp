// `orlindel-cli info --json` on an arbitrary file: it must end with one of
// its documented exit codes (0; 3 for a file it refuses, such as an empty
// one; 4 for a run-time error) and never crash.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One file per process: the normal and the sanitizer replay may run at
  // the same time.
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("orlindel_fuzz_info_" + std::to_string(getpid()) + ".bin"))
          .string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data),
             static_cast<std::streamsize>(size));
  std::ostringstream out, err;
  const std::vector<std::string> args = {"info", path, "--json"};
  const int code = orlindel::cli::Run(args, out, err);
  if (code != 0 && code != 3 && code != 4) std::abort();
  return 0;
}
