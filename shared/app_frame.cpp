#include "app_frame.h"

#include "command_line.h"
#include "os.h"
#include "trace.h"

namespace glow {

int AppFrame::Run(char* commandLine) {
  // First of all: no DLL may come from the program's own folder, the user's folders or the current folder.
  Sys().LoadSystemLibraries();
  m_lpCmdLine = commandLine ? ArgumentText(commandLine, SystemLeadByte) : "";
  // Every program does its job in InitInstance and returns false; a true result would start a
  // message loop, which none of them has.
  InitInstance();
  return ExitInstance();
}

int RunApplication(AppFrame& app) { return app.Run(Sys().GetCommandLineA()); }

bool OpenOwnToken(UniqueHandle* token) {
  HANDLE opened = nullptr;  // what a failed open leaves there is not promised
  if (!Sys().OpenProcessToken(Sys().GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  token->reset(opened);
  return true;
}

bool RunsAsLocalSystem() {
  UniqueHandle token;
  if (!OpenOwnToken(&token)) return false;
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info;
  DWORD size = 0;
  return Sys().GetTokenInformation(token.get(), TokenUser, &info, sizeof info, &size) &&
         Sys().IsWellKnownSid(info.user.User.Sid, WinLocalSystemSid);
}

void ShowErrorBox(const char* text, const char* caption) {
  USEROBJECTFLAGS flags = {};
  const HWINSTA station = Sys().GetProcessWindowStation();
  if (station && Sys().GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
      (flags.dwFlags & WSF_VISIBLE)) {
    Sys().MessageBoxA(nullptr, text, caption, MB_ICONERROR);
    return;
  }
  TraceNotice(text, "no visible window station, message not shown");
}

}  // namespace glow
