// orlindel-render's process: orlindel-cli's render command, run here so that
// only this program loads Qt Gui. orlindel-cli starts it with the command
// line it was given; its output and exit status are the command's.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/process_setup.h"
#include "cli_render/render_command.h"

int main(int argc, char** argv) {
  orlindel::cli::PrepareProcess();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return orlindel::cli::Run(orlindel::cli::RenderCommands(), args, std::cin,
                            std::cout, std::cerr);
}
