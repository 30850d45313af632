#include "uninstaller_app.h"

#include <string.h>

#include "arguments.h"
#include "mb_text.h"
#include "os.h"
#include "product_name.h"
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

}  // namespace

UninstallerApp::UninstallerApp() { SetTraceTag("Glowclear"); }

bool UninstallerApp::InitInstance() {
  PathText name;
  bool nameTooLong = false;
  TracingListener listener(&name, &nameTooLong);
  ParseUninstallerArguments(m_lpCmdLine, SystemLeadByte, &listener);
  TraceNotice(m_lpCmdLine, "m_lpCmdLine @ InitInstance");
  if (name.Empty() && !nameTooLong) name.Assign(kDefaultName);

  // The name is joined into the key path and the launcher path: refuse it before anything is touched.
  const char* fault = nameTooLong ? "longer than 207 characters" : ProductNameFault(name.c_str());
  if (fault) {
    PathText where;
    where.Format("product name refused: %s @ InitInstance", fault);
    ::SetLastError(ERROR_INVALID_NAME);
    TraceError(name.c_str(), where.c_str());
    m_nExitCode = kUninstallNameRefused;
    return false;
  }
  strcpy(m_productName, name.c_str());

  Wow64RedirectionGuard guard;
  bool bRet = UninstAct(m_productName);
  if (guard.bWin64()) {
    guard.SwitchBackOn();
    if (!bRet) {
      TraceNotice("bWin64 && !bRet", kWhere);
      bRet = UninstAct(m_productName);
    }
  }
  guard.SwitchBackOn();
  m_nExitCode = bRet ? kRemoved : kRemovalIncomplete;
  TraceNotice("Prepare to exit...", kWhere);
  return false;
}

}  // namespace glow
