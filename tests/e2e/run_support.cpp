#include "run_support.h"

#include <stdlib.h>

#include <set>

namespace glow {

namespace {

// The programs trace with OutputDebugStringA: a wide line fails every comparison with what they print.
std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  if (info.fUnicode) return "(a UTF-16 line)";
  std::string text(info.nDebugStringLength, '\0');
  SIZE_T read = 0;
  if (text.empty() || !::ReadProcessMemory(process, info.lpDebugStringData, &text[0], text.size(), &read)) return "";
  text.resize(read);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The first window of a run (a message box) starts Wine's desktop, which outlives it: not waited for.
bool IsWinesDesktop(HANDLE process) {
  char image[MAX_PATH];
  DWORD size = sizeof image;
  return ::QueryFullProcessImageNameA(process, 0, image, &size) && size >= 13 &&
         _stricmp(image + size - 13, "\\explorer.exe") == 0;
}

}  // namespace

ProgramRun RunTraced(const std::string& commandLine, DWORD timeoutMs) {
  ProgramRun run;
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION info = {};
  std::string line = commandLine;
  if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, DEBUG_PROCESS, nullptr, nullptr, &startup, &info))
    return run;
  run.started = true;
  std::set<DWORD> alive;
  std::vector<std::pair<DWORD, HANDLE>> processes;
  const DWORD deadline = ::GetTickCount() + timeoutMs;
  DEBUG_EVENT event;
  bool first = true;
  while ((first || !alive.empty()) && ::GetTickCount() < deadline) {
    if (!::WaitForDebugEvent(&event, 1000)) continue;
    first = false;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (IsWinesDesktop(event.u.CreateProcessInfo.hProcess)) {
          ::DebugActiveProcessStop(event.dwProcessId);
        } else {
          alive.insert(event.dwProcessId);
          processes.push_back({event.dwProcessId, event.u.CreateProcessInfo.hProcess});
        }
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        alive.erase(event.dwProcessId);
        if (event.dwProcessId == info.dwProcessId)
          run.exitCode = event.u.ExitProcess.dwExitCode;
        else
          run.startedExitCodes.push_back(event.u.ExitProcess.dwExitCode);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        for (const auto& process : processes)
          if (process.first == event.dwProcessId) run.trace.push_back(ReadDebugString(process.second, event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return run;
}

std::string RunCaptured(const std::string& commandLine, DWORD* exitCode, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ::CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION info = {};
  std::string line = commandLine;
  std::string output;
  if (::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    ::CloseHandle(writeEnd);
    writeEnd = nullptr;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read > 0) output.append(chunk, read);
    ::WaitForSingleObject(info.hProcess, timeoutMs);
    if (exitCode) ::GetExitCodeProcess(info.hProcess, exitCode);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
  if (writeEnd) ::CloseHandle(writeEnd);
  ::CloseHandle(readEnd);
  return output;
}

std::string BuiltProgram(const std::string& name) {
  const char* folder = getenv("GLOW_BIN_DIR");  // a copy inside the prefix: it has no way out
  return std::string(folder ? folder : "") + "\\" + name;
}

}  // namespace glow
