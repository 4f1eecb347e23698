// The process's side of the command line: its arguments as UTF-8 and its
// standard streams ready for images and UTF-8 text.
#pragma once

#include <string>
#include <vector>

namespace orlindel::io {

// The program's arguments after its name, in UTF-8. On Windows they are
// taken from the wide command line, so names outside the system's code page
// arrive whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard input and output pass bytes unchanged (Windows translates line
// ends in text mode), and a console shows UTF-8 text as such.
void PrepareStandardStreams();

// True when standard output is a terminal (a console on Windows), for a
// program that must not pour binary data onto one.
bool StandardOutputIsTerminal();

}  // namespace orlindel::io
