#pragma once
// Running the real programs as a person or the system would, and watching their trace as a debugger does.
#include <windows.h>

#include <string>
#include <vector>

namespace glow {

struct ProgramRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::vector<DWORD> startedExitCodes;  // of the processes it started, as they ended
  bool started = false;
  std::vector<std::string> trace;  // OutputDebugString lines of the program and every process it started
};

// Runs `commandLine` as a debugger would, until it and everything it started have ended (bounded).
ProgramRun RunTraced(const std::string& commandLine, DWORD timeoutMs = 60000);
// Runs `commandLine` with its output captured; returns the output.
std::string RunCaptured(const std::string& commandLine, DWORD* exitCode = nullptr, DWORD timeoutMs = 60000);

// Where the built programs are, as a Windows path inside the prefix.
std::string BuiltProgram(const std::string& name);

}  // namespace glow
