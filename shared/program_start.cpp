// The entry point of the shipped programs (cmake/program.ld, linked with -nostartfiles). Nothing of the
// runtime's start-up code is needed: no static objects, so no constructors or atexit functions to run.
// msvcrt.dll initialises itself when it is loaded, so malloc, free and the string functions work as
// before; the command line is read by the application frame, not from argv.
#include <windows.h>

#include "program_start.h"

extern "C" {

// A call through a pure virtual slot: a bug. Defined here so that no vtable pulls in the runtime's
// version, which drags the exception machinery along.
void __cxa_pure_virtual() { ExitProcess(255); }

__attribute__((noreturn)) void GlowStart() { ExitProcess(glow::ProgramMain()); }

}  // extern "C"
