#pragma once
// The shipped programs start in program_start.cpp instead of the C runtime's start-up code, which would
// add about 11 KB to each of them and three times that to the installer. Each program's main.cpp
// defines ProgramMain: the whole run, its result the exit code. Tests keep the runtime's start-up.

namespace glow {

int ProgramMain();

}  // namespace glow
