// The entry point of the shipped programs (cmake/program.ld, linked with -nostartfiles). What the
// runtime's start-up code did that still matters is done here: static constructors run before the
// program and the functions they register with atexit after it. msvcrt.dll initialises itself when it
// is loaded, so malloc, free and the string functions work as before; the command line is read by
// the application frame, not from argv.
#include <windows.h>

#include "program_start.h"

namespace {

typedef void (*Function)();

// The static destructors: as many as there are static objects with one, a handful.
Function g_atExit[32];
unsigned g_atExitCount = 0;

}  // namespace

extern "C" {

// From the linker script: -1, the constructors in link order, 0.
extern Function __CTOR_LIST__[];

int atexit(Function function) {
  if (g_atExitCount == sizeof g_atExit / sizeof g_atExit[0]) return -1;
  g_atExit[g_atExitCount++] = function;
  return 0;
}

// A call through a pure virtual slot: a bug. Defined here so that no vtable pulls in the runtime's
// version, which drags the exception machinery along.
void __cxa_pure_virtual() { ExitProcess(255); }

// Windows aligns the stack to 4 bytes only; GCC's code may expect 16.
__attribute__((force_align_arg_pointer, noreturn)) void GlowStart() {
  Function* constructor = __CTOR_LIST__ + 1;
  while (*constructor) ++constructor;
  while (--constructor != __CTOR_LIST__) (*constructor)();
  const int exitCode = glow::ProgramMain();
  while (g_atExitCount) g_atExit[--g_atExitCount]();
  ExitProcess(static_cast<UINT>(exitCode));
}

}  // extern "C"
