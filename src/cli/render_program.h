// The render command in orlindel-cli: drawing needs Qt Gui, which only the
// program orlindel-render loads, so the command line hands the whole command
// over to it and the other commands start without Qt.
#pragma once

#include <string>
#include <vector>

#include "cli/command_context.h"

namespace orlindel::cli {

// The name of the program that draws the preview.
inline constexpr char kRenderProgram[] = "orlindel-render";

// Where orlindel-render is looked for, in order: beside the running program
// `executable` (a build tree), at `relative_to_executable` from its folder
// (an installed tree moved elsewhere), then at `installed` (the path the
// build was configured for). Empty names are left out.
std::vector<std::string> RenderProgramCandidates(
    const std::string& executable, const std::string& relative_to_executable,
    const std::string& installed);

// Runs `line` as given by orlindel-render, which replaces this process: its
// output and exit status are the command's. FileError naming the program
// (exit 3) when it is found nowhere or cannot be started.
int RunRenderProgram(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
