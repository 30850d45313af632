#include "uninstaller_app.h"

#include "arguments.h"
#include "app_frame.h"

#include <stdlib.h>
#include <string.h>

#include "mb_text.h"
#include "os.h"
#include "trace.h"
#include "uninstall_actions.h"
#include "wow64_guard.h"

namespace glow {

namespace {

const char kWhere[] = "InitInstance";
const char kDefaultName[] = "TAVO ScreenSaver";

// What the launcher adds behind the name, read before anything is traced, so that the log gets every line.
class SwitchListener : public ArgumentListener {
 public:
  void OnName(const char*) override {}
  void OnDebugSwitch() override {}
  void OnUnknown(const char*) override {}
  void OnSwitch(const char* name, const char* value) override {
    if (strcmp(name, kLogSwitch) == 0) {
      logGiven = true;
      if (!logPath.Assign(value)) logPath.Clear();
      return;
    }
    if (strcmp(name, kReportSwitch) != 0) return;
    // The write end of the launcher's pipe, inherited: the handle's value, in decimal; 0 when the
    // launcher has none and awaits this program's end instead. Either way the launcher holds the lock.
    fromLauncher = true;
    char* end = nullptr;
    const unsigned long handle = strtoul(value, &end, 10);
    report = (end != value && *end == '\0') ? reinterpret_cast<HANDLE>(handle) : nullptr;
  }
  bool logGiven = false;
  PathText logPath;
  bool fromLauncher = false;
  HANDLE report = nullptr;
};

class TracingListener : public ArgumentListener {
 public:
  TracingListener(PathText* name, bool* nameTooLong) : name_(name), nameTooLong_(nameTooLong) {}
  void OnName(const char* name) override {
    TraceNotice(name, "/name @ InitInstance");
    // A later name replaces an earlier one; one that cannot fit is kept as a refusal.
    *nameTooLong_ = !name_->Assign(name);
    if (*nameTooLong_) name_->Clear();
  }
  void OnDebugSwitch() override { SwitchTraceOn(); }
  void OnUnknown(const char* piece) override { TraceNotice(piece, "Unknown command!"); }

 private:
  PathText* name_;
  bool* nameTooLong_;
};

// Tells the waiting launcher how the removal went: the exit code, 4 bytes.
void Report(HANDLE pipe, DWORD code) {
  UniqueFile writeEnd(pipe);
  DWORD written = 0;
  if (!Sys().WriteFile(writeEnd.get(), &code, sizeof code, &written, nullptr) || written != sizeof code)
    TraceError("the launcher cannot be told the outcome", kWhere);
}

int ExitCodeOf(RemovalOutcome outcome) {
  switch (outcome) {
    case RemovalOutcome::kRemoved: return kRemoved;
    case RemovalOutcome::kRemovedAtRestart: return kRemovedAfterRestart;
    case RemovalOutcome::kEntryRemains: return kEntryRemains;
    default: return kRemovalIncomplete;
  }
}

}  // namespace

UninstallerApp::UninstallerApp() { SetTraceTag("Glowclear"); }

bool UninstallerApp::InitInstance() {
  SwitchListener switches;
  ParseUninstallerArguments(m_lpCmdLine, SystemLeadByte, &switches);
  if (switches.logGiven) m_log.Open(switches.logPath.c_str());
  m_nExitCode = Remove(switches.fromLauncher, switches.report);
  if (switches.report) Report(switches.report, static_cast<DWORD>(m_nExitCode));
  if (!m_run.launcherLeft.Empty()) RemoveLauncherLeft(m_run.launcherLeft.c_str());
  TraceNotice("Prepare to exit...", kWhere);
  return false;
}

int UninstallerApp::Remove(bool fromLauncher, HANDLE report) {
  PathText name;
  bool nameTooLong = false;
  TracingListener listener(&name, &nameTooLong);
  const bool argumentsRead = ParseUninstallerArguments(m_lpCmdLine, SystemLeadByte, &listener);
  TraceNotice(m_lpCmdLine, "m_lpCmdLine @ InitInstance");
  // Falling back to the default name here would remove a product nobody asked to remove.
  if (!argumentsRead) {
    TraceError(m_lpCmdLine, "argument text cannot be read @ InitInstance", ERROR_NOT_ENOUGH_MEMORY);
    return kArgumentsUnreadable;
  }
  // One removal at a time. Given the report pipe, its launcher holds the lock for it; when nobody holds
  // it (started by hand with the switch), it is taken here all the same.
  if (!TakeRemovalLock(&m_removalLock, fromLauncher)) return kRemovalInProgress;
  if (name.Empty() && !nameTooLong) name.Assign(kDefaultName);

  // The run's place: the name is joined into the 260-byte key path, so one that cannot fit is refused
  // before anything is touched.
  if (nameTooLong || !PlaceRemoval(name.c_str(), &m_run)) {
    TraceError(name.c_str(), "product name refused: longer than 207 bytes @ InitInstance",
               ERROR_FILENAME_EXCED_RANGE);
    return kUninstallNameRefused;
  }
  m_productName = name;

  Wow64RedirectionGuard guard;
  m_run.launcherWaits = report != nullptr;
  RemovalOutcome outcome = UninstAct(guard.RedirectionOff(), &m_run);
  guard.SwitchBackOn();
  // On 64-bit Windows a failed pass is tried once more, now with redirection on.
  if (guard.bWin64() && !Succeeded(outcome)) {
    TraceNotice("bWin64 && !bRet", kWhere);
    outcome = UninstAct(false, &m_run);
  }
  return ExitCodeOf(outcome);
}

int UninstallerApp::ExitInstance() {
  m_removalLock.reset();
  return AppFrame::ExitInstance();
}

}  // namespace glow
