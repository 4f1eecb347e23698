// Whether a standard stream is a terminal, for a program that must not pour
// binary data onto one.
#pragma once

namespace orlindel::io {

// True when standard output is a terminal (a console on Windows).
bool StandardOutputIsTerminal();

}  // namespace orlindel::io
