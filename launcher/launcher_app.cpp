#include "launcher_app.h"

#include "command_line.h"
#include "extraction.h"
#include "launcher_names.h"
#include "os.h"
#include "trace.h"
#include "unique.h"

namespace glow {

const char kFailedToUninstall[] = "Failed to uninstall!";
const char kUninstallerCaption[] = "TAVO ScreenSaver Uninstaller";

namespace {

const char kWhere[] = "InitInstance";

void ShowFailedToUninstall() { Sys().MessageBoxA(nullptr, kFailedToUninstall, kUninstallerCaption, MB_ICONERROR); }

}  // namespace

LauncherApp::LauncherApp() { SetTraceTag("Glowrun"); }

bool LauncherApp::InitInstance() {
  if (IsDebugSwitch(m_lpCmdLine)) SwitchTraceOn();

  // The copy sits in a folder the user can write to and runs elevated: it stays held, so nobody can
  // change it between the check of its bytes and the start.
  PathText tszUninst;
  tszUninst.Assign("uninst.tmp");
  UniqueFile heldCopy;
  if (!CopyResource(ExtractionFolder::kLocalAppData, "UNINSTALL.EXE", &tszUninst, &heldCopy)) {
    TraceNotice("CopyResource (UNINSTALL.EXE) failed !", kWhere);
    ShowFailedToUninstall();
    m_nExitCode = kScratchCopyFailed;
    return false;
  }
  TraceNotice(tszUninst.c_str(), "tszUninst @ InitInstance");

  PathText tszPath;
  const DWORD length = Sys().GetModuleFileNameA(nullptr, tszPath.data(), PathText::kCapacity);
  if (length == 0 || length >= PathText::kCapacity) {
    if (length != 0) ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    TraceError("GetModuleFileName failed !", kWhere);
    m_nExitCode = kLauncherPathUnavailable;
    return false;
  }
  TraceNotice(tszPath.c_str(), "tszPath @ InitInstance");

  PathText productName;
  ProductNameFromLauncherPath(tszPath.c_str(), &productName, SystemLeadByte);
  tszPath.Clear();
  if (!FormatUninstallerCommandLine(productName.c_str(), IsTraceOn(), &tszPath)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    TraceError(productName.c_str(), "name too long for the command line @ InitInstance");
    ShowFailedToUninstall();
    m_nExitCode = kCommandLineTooLong;
    return false;
  }
  TraceNotice(tszPath.c_str(), "tszPath @ InitInstance");

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;  // 68
  UniqueProcessInfo started;
  if (!Sys().CreateProcessA(tszUninst.c_str(), tszPath.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, started.put())) {
    TraceError(tszUninst.c_str(), "CreateNormalProcess failed !! @ InitInstance");
    m_nExitCode = kUninstallerNotStarted;
    return false;
  }
  TraceNotice(tszUninst.c_str(), "CreateNormalProcess succeed @ InitInstance");
  TraceNotice("Prepare to exit", "CreateNormalProcess succeed @ InitInstance");
  m_nExitCode = kUninstallerStarted;
  return false;
}

}  // namespace glow
