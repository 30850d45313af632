// For the test scripts: runs one command line as a debugger until it and everything it started have
// ended, then prints "exit <code>" and the trace lines they wrote.
//   run-tree.exe "<command line>"
#include <stdio.h>

#include "run_support.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: run-tree.exe \"<command line>\"\n");
    return 2;
  }
  const glow::ProgramRun run = glow::RunTraced(argv[1]);
  if (!run.started) {
    printf("not started: %s\n", argv[1]);
    return 1;
  }
  printf("exit %lu\n", run.exitCode);
  for (DWORD code : run.startedExitCodes) printf("exit %lu (started)\n", code);
  for (const std::string& line : run.trace) fputs(line.c_str(), stdout);
  return 0;
}
