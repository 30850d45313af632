#include "app_frame.h"

#include "command_line.h"
#include "os.h"

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

}  // namespace glow
