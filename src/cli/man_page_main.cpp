// Writes orlindel-cli's manual page at build time:
//   orlindel-cli-manpage TEMPLATE REFERENCE DATE OUTPUT
// TEMPLATE holds the page's prose, REFERENCE is the Markdown reference whose
// example session the page shows, DATE (YYYY-MM-DD) dates the page.
#include <cstdint>
#include <exception>
#include <iostream>
#include <span>
#include <string>

#include "cli/commands.h"
#include "cli/man_page.h"
#include "core/io/bounded_read.h"
#include "core/io/safe_write.h"
#include "orlindel/version.h"

namespace {

constexpr int64_t kTextLimit = 1 << 20;

std::string ReadText(const std::string& path) {
  const orlindel::io::FileBytes bytes =
      orlindel::io::ReadWholeFile(path, kTextLimit);
  return {bytes.begin(), bytes.end()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: orlindel-cli-manpage TEMPLATE REFERENCE DATE OUTPUT\n";
    return 2;
  }
  try {
    const std::string examples =
        orlindel::cli::ExampleSession(ReadText(argv[2]));
    if (examples.empty()) {
      std::cerr << "orlindel-cli-manpage: " << argv[2]
                << " has no example session\n";
      return 1;
    }
    const std::string page = orlindel::cli::WriteManPage(
        ReadText(argv[1]), orlindel::cli::Commands(),
        {argv[3], orlindel::kVersion, examples});
    orlindel::io::WriteFileSafely(
        argv[4],
        std::span(reinterpret_cast<const uint8_t*>(page.data()), page.size()));
  } catch (const std::exception& error) {
    std::cerr << "orlindel-cli-manpage: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
