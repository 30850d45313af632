#include "wow64_guard.h"

#include "os.h"
#include "trace.h"

namespace glow {

namespace {
const char kWhere[] = "InitInstance";
}

bool IsWin64() {
  FARPROC isWow64Process = Sys().GetProcAddress(Sys().GetModuleHandleA("kernel32"), "IsWow64Process");
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  Sys().CallIsWow64Process(isWow64Process, Sys().GetCurrentProcess(), &wow64);
  return wow64 != FALSE;
}

Wow64RedirectionGuard::Wow64RedirectionGuard()
    : bWin64_(IsWin64()),
      fnWow64EnableWow64FsRedirection_(
          Sys().GetProcAddress(Sys().GetModuleHandleA("kernel32"), "Wow64EnableWow64FsRedirection")) {
  if (!fnWow64EnableWow64FsRedirection_) TraceNotice("!fnWow64EnableWow64FsRedirection, check if ok for you.", kWhere);
  if (bWin64_ && fnWow64EnableWow64FsRedirection_) {
    switchedOff_ = Sys().CallWow64EnableWow64FsRedirection(fnWow64EnableWow64FsRedirection_, FALSE) != FALSE;
    if (switchedOff_)
      TraceNotice("fnWow64EnableWow64FsRedirection(FALSE) succeed.", kWhere);
    else
      TraceError("fnWow64EnableWow64FsRedirection(FALSE) failed !!", kWhere);
  }
}

Wow64RedirectionGuard::~Wow64RedirectionGuard() { SwitchBackOn(); }

void Wow64RedirectionGuard::SwitchBackOn() {
  if (switchedBack_) return;
  switchedBack_ = true;
  if (!bWin64_ || !fnWow64EnableWow64FsRedirection_) return;
  if (Sys().CallWow64EnableWow64FsRedirection(fnWow64EnableWow64FsRedirection_, TRUE))
    TraceNotice("fnWow64EnableWow64FsRedirection(TRUE) succeed!", kWhere);
  else
    TraceError("fnWow64EnableWow64FsRedirection(TRUE) failed!!", kWhere);
}

}  // namespace glow
