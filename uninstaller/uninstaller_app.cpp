#include "uninstaller_app.h"

#include "arguments.h"
#include "mb_text.h"
#include "os.h"
#include "sizes.h"
#include "trace.h"
#include "uninstall_actions.h"
#include "wow64_guard.h"

namespace glow {

namespace {

const char kWhere[] = "InitInstance";
const char kDefaultName[] = "TAVO ScreenSaver";

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
  PathText name;
  bool nameTooLong = false;
  TracingListener listener(&name, &nameTooLong);
  const bool argumentsRead = ParseUninstallerArguments(m_lpCmdLine, SystemLeadByte, &listener);
  TraceNotice(m_lpCmdLine, "m_lpCmdLine @ InitInstance");
  // Falling back to the default name here would remove a product nobody asked to remove.
  if (!argumentsRead) {
    TraceError(m_lpCmdLine, "argument text cannot be read @ InitInstance", ERROR_NOT_ENOUGH_MEMORY);
    m_nExitCode = kArgumentsUnreadable;
    return false;
  }
  if (name.Empty() && !nameTooLong) name.Assign(kDefaultName);

  // The name is joined into the 260-byte key path: refuse one that cannot fit before anything is touched.
  if (nameTooLong || name.Length() > kMaxProductNameLength) {
    TraceError(name.c_str(), "product name refused: longer than 207 characters @ InitInstance",
               ERROR_FILENAME_EXCED_RANGE);
    m_nExitCode = kUninstallNameRefused;
    return false;
  }
  m_productName = name;

  Wow64RedirectionGuard guard;
  RemovalRun run;
  RemovalOutcome outcome = UninstAct(m_productName.c_str(), guard.RedirectionOff(), &run);
  guard.SwitchBackOn();
  // On 64-bit Windows a failed pass is tried once more, now with redirection on.
  if (guard.bWin64() && !Succeeded(outcome)) {
    TraceNotice("bWin64 && !bRet", kWhere);
    outcome = UninstAct(m_productName.c_str(), false, &run);
  }
  m_nExitCode = ExitCodeOf(outcome);
  TraceNotice("Prepare to exit...", kWhere);
  return false;
}

}  // namespace glow
