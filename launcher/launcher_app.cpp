#include "launcher_app.h"

#include "command_line.h"
#include "extraction.h"
#include "file_identity.h"
#include "format.h"
#include "launcher_names.h"
#include "os.h"
#include "product_name.h"
#include "trace.h"
#include "unique.h"

namespace glow {

const char kFailedToUninstall[] = "Failed to uninstall!";
const char kUninstallerCaption[] = "TAVO ScreenSaver Uninstaller";

namespace {

const char kWhere[] = "InitInstance";

// The program to start is the held copy itself, named as the system resolves its handle, so that a
// folder switched or linked elsewhere in the meantime cannot put another program in its place.
// Systems that cannot resolve a handle start it by the path it was written to.
bool StartPathOf(HANDLE heldCopy, const char* writtenPath, PathText* path) {
  if (!Sys().HasSystemFunction(real::kGetFinalPathNameByHandleA)) return path->Assign(writtenPath);
  return FinalPathOf(heldCopy, path);
}

// True when the suspended process runs the held copy: the file its image name leads to now is the held
// file (same volume, same file index). Names alone prove nothing: a folder renamed over the copy keeps
// them. Systems that cannot name a process's image are taken at their word.
bool RunsHeldCopy(HANDLE process, HANDLE heldCopy) {
  if (!Sys().HasSystemFunction(real::kQueryFullProcessImageNameA)) return true;
  PathText image;
  DWORD size = PathText::kCapacity;
  if (!Sys().QueryFullProcessImageNameA(process, 0, image.data(), &size)) return false;
  UniqueFile imageFile(Sys().CreateFileA(image.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (imageFile.valid() && SameFile(imageFile.get(), heldCopy)) return true;
  ::SetLastError(ERROR_FILE_INVALID);
  return false;
}

// The removal's exit code: as the uninstaller reports it before it deletes this program's file. Once it
// holds the pipe, no report is a failure of its own, whatever its exit code says: a program ended from
// outside (a security product, a timeout) may end with 0 having removed nothing. Without a pipe, as it ends.
DWORD AwaitRemoval(HANDLE process, HANDLE report, bool* unreported) {
  DWORD code = 0;
  DWORD read = 0;
  *unreported = false;
  if (report && Sys().ReadFile(report, &code, sizeof code, &read, nullptr) && read == sizeof code) return code;
  *unreported = report != nullptr;
  if (Sys().WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && Sys().GetExitCodeProcess(process, &code))
    return code;
  return static_cast<DWORD>(-1);
}

// The uninstaller's codes that the launcher's own would collide with are passed on moved up by 100.
int ExitCodeOfRemoval(DWORD code) {
  if (code == ERROR_SUCCESS || code == ERROR_SUCCESS_REBOOT_REQUIRED || code == ERROR_INSTALL_ALREADY_RUNNING)
    return static_cast<int>(code);
  if (code >= 1 && code <= 4) return kUninstallerIncomplete - 1 + static_cast<int>(code);
  return kRemovalEndUnknown;
}

// Until the uninstaller runs, it lives with this program: a launcher ended between the suspended start and
// the resume (a deployment tool's time limit, a logoff) would otherwise leave it suspended for good,
// holding the scratch copy so that no later removal can write it. This program joins a job that ends its
// members when its last handle goes, and the uninstaller, started from it, is a member from its first
// moment; once it runs, the job lets go. Only a process ended without clean-up ever sees the job act.
class StartGuard {
 public:
  StartGuard() : job_(Sys().CreateJobObjectA(nullptr, nullptr)) {
    if (!job_.valid() || !Limit(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) ||
        !Sys().AssignProcessToJobObject(job_.get(), Sys().GetCurrentProcess())) {
      TraceError("start guard not set, the uninstaller starts without it", kWhere);
      Release();
    }
  }
  ~StartGuard() { Release(); }
  StartGuard(const StartGuard&) = delete;
  StartGuard& operator=(const StartGuard&) = delete;

  // False when the job could not let go: closing it would end the uninstaller with this program, so it
  // stays open and this program must outlive the uninstaller.
  bool Release() {
    if (!job_.valid()) return true;
    if (!Limit(0)) {
      TraceError("start guard cannot let go, the uninstaller's end is awaited", kWhere);
      return false;
    }
    job_.reset();
    return true;
  }

 private:
  bool Limit(DWORD flags) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = flags;
    return Sys().SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) != FALSE;
  }

  UniqueHandle job_;
};

}  // namespace

LauncherApp::LauncherApp() { SetTraceTag("Glowrun"); }

bool LauncherApp::FailToUninstall(int exitCode) {
  ShowErrorBox(kFailedToUninstall, kUninstallerCaption);
  m_nExitCode = exitCode;
  return false;
}

bool LauncherApp::InitInstance() {
  ProgramSwitches switches;
  ReadProgramSwitches(m_lpCmdLine, SystemLeadByte, &switches);
  if (switches.debug) SwitchTraceOn();
  if (switches.logGiven) m_log.Open(switches.logPath.c_str());
  // Before the copy: a second launcher would find it held and say "Failed to uninstall!".
  if (!TakeRemovalLock(&m_removalLock, false)) {
    m_nExitCode = kAnotherRemovalRuns;
    return false;
  }

  // The copy sits in a folder the user can write to and runs elevated: it stays held, so nobody can
  // change it between the check of its bytes and the start.
  PathText tszUninst;
  tszUninst.Assign("uninst.tmp");
  UniqueFile heldCopy;
  if (!CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &tszUninst, &heldCopy)) {
    const bool tooLong = ::GetLastError() == ERROR_FILENAME_EXCED_RANGE;
    TraceNotice("CopyResource (UNINSTALL.EXE) failed !", kWhere);
    return FailToUninstall(tooLong ? kScratchFolderTooLong : kScratchCopyFailed);
  }
  TraceNotice(tszUninst.c_str(), "tszUninst @ InitInstance");

  PathText tszPath;
  const DWORD length = Sys().GetModuleFileNameA(nullptr, tszPath.data(), PathText::kCapacity);
  if (length == 0 || length >= PathText::kCapacity) {
    TraceError("GetModuleFileName failed !", kWhere, length != 0 ? ERROR_INSUFFICIENT_BUFFER : 0);
    m_nExitCode = kLauncherPathUnavailable;
    return false;
  }
  TraceNotice(tszPath.c_str(), "tszPath @ InitInstance");

  // Without a name the uninstaller would fall back to the default product: a removal nobody asked for.
  PathText productName;
  if (!ProductNameFromLauncherPath(tszPath.c_str(), &productName, SystemLeadByte)) {
    TraceError(tszPath.c_str(), "no product name in the file name @ InitInstance", ERROR_INVALID_NAME);
    return FailToUninstall(kProductNameUnknown);
  }
  // The product's place as the uninstaller will form it: a name too long for its key path names nothing
  // an install recorded, and is refused before a removal starts.
  ProductPlace place;
  if (FormProductKey(productName.c_str(), &place)) {
    TraceError(productName.c_str(), "name too long for the key path @ InitInstance", ERROR_FILENAME_EXCED_RANGE);
    return FailToUninstall(kCommandLineTooLong);
  }
  tszPath.Clear();
  if (!FormatUninstallerCommandLine(place.name.c_str(), IsTraceOn(), &tszPath)) {
    TraceError(place.name.c_str(), "name too long for the command line @ InitInstance", ERROR_FILENAME_EXCED_RANGE);
    return FailToUninstall(kCommandLineTooLong);
  }
  TraceNotice(tszPath.c_str(), "tszPath @ InitInstance");

  PathText startPath;
  if (!StartPathOf(heldCopy.get(), tszUninst.c_str(), &startPath)) {
    TraceError(tszUninst.c_str(), "GetFinalPathNameByHandle failed !! @ InitInstance");
    return FailToUninstall(kUninstallerNotConfirmed);
  }
  // The uninstaller writes the removal's exit code into this pipe, then deletes this program's file once
  // it has ended. Only the write end is inherited, and nothing else this program holds is inheritable.
  UniqueHandle reportRead;
  UniqueHandle reportWrite;
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  if (!Sys().CreatePipe(reportRead.put(), reportWrite.put(), &inheritable, 0)) {
    reportRead.release();  // nothing was made
    reportWrite.release();
    TraceError("CreatePipe failed, the uninstaller's end is awaited instead", kWhere);
  } else if (!Sys().SetHandleInformation(reportRead.get(), HANDLE_FLAG_INHERIT, 0)) {
    TraceError("SetHandleInformation failed, the uninstaller's end is awaited instead", kWhere);
    reportRead.reset();
    reportWrite.reset();
  }
  // The name part as above, then the pipe's handle and the log, each quoted and with no blank between:
  // the uninstaller cuts its arguments at quotes, and a blank between two would be a piece of its own.
  BoundedText<kCommandLineSize> commandLine;
  bool fits = commandLine.Format("%s\"/%s=%lu\"", tszPath.c_str(), kReportSwitch,
                                 static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(reportWrite.get())));
  if (fits && !switches.logPath.Empty()) {
    BoundedText<kPathSize + 8> log;
    fits = log.Format("\"/%s=%s\"", kLogSwitch, switches.logPath.c_str()) && commandLine.Append(log.c_str());
  }
  if (!fits) {
    TraceError(tszPath.c_str(), "command line too long @ InitInstance", ERROR_FILENAME_EXCED_RANGE);
    return FailToUninstall(kCommandLineTooLong);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;  // 68
  StartGuard guard;
  UniqueProcessInfo started;
  // Suspended until it is known to run the held copy.
  if (!Sys().CreateProcessA(startPath.c_str(), commandLine.data(), nullptr, nullptr, reportWrite.valid(),
                            CREATE_SUSPENDED, nullptr, nullptr, &startup, started.put())) {
    TraceError(tszUninst.c_str(), "CreateNormalProcess failed !! @ InitInstance");
    m_nExitCode = kUninstallerNotStarted;
    return false;
  }
  if (!RunsHeldCopy(started.get().hProcess, heldCopy.get())) {
    TraceError(startPath.c_str(), "started program is not the written uninstaller, ended @ InitInstance");
    Sys().TerminateProcess(started.get().hProcess, ERROR_FILE_INVALID);
    return FailToUninstall(kUninstallerNotConfirmed);
  }
  if (Sys().ResumeThread(started.get().hThread) == static_cast<DWORD>(-1)) {
    TraceError(tszUninst.c_str(), "ResumeThread failed !! @ InitInstance");
    Sys().TerminateProcess(started.get().hProcess, ERROR_INVALID_HANDLE);
    m_nExitCode = kUninstallerNotStarted;
    return false;
  }
  const bool guardReleased = guard.Release();
  TraceNotice(tszUninst.c_str(), "CreateNormalProcess succeed @ InitInstance");
  TraceNotice("Prepare to exit", "CreateNormalProcess succeed @ InitInstance");
  // Whoever started this program (a deployment tool, Add/Remove Programs) learns when the removal is
  // over and how it went.
  reportWrite.reset();
  bool unreported = false;
  const DWORD removal = AwaitRemoval(started.get().hProcess, reportRead.get(), &unreported);
  if (!guardReleased) Sys().WaitForSingleObject(started.get().hProcess, INFINITE);
  char code[16];
  FormatText(code, sizeof code, "%lu", static_cast<unsigned long>(removal));
  if (unreported) {
    TraceError(code, "removal ended without a report, exit code @ InitInstance", ERROR_NO_DATA);
    m_nExitCode = kRemovalNotReported;
    return false;
  }
  TraceNotice(code, "removal ended, exit code @ InitInstance");
  m_nExitCode = ExitCodeOfRemoval(removal);
  return false;
}

int LauncherApp::ExitInstance() {
  m_removalLock.reset();
  return AppFrame::ExitInstance();
}

}  // namespace glow
