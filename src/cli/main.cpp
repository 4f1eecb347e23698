// orlindel-cli's process: the standard streams set up for binary images and
// checked writes, then the command.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/process_setup.h"
#include "core/io/standard_streams.h"

int main(int argc, char** argv) {
  orlindel::cli::PrepareProcess();
  const std::vector<std::string> args =
      orlindel::io::ProgramArguments(argc, argv);
  return orlindel::cli::Run(args, std::cin, std::cout, std::cerr,
                            orlindel::io::StandardOutputIsTerminal());
}
