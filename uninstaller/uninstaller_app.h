#pragma once
#include "app_frame.h"
#include "exit_codes.h"
#include "mb_text.h"
#include "trace.h"
#include "uninstall_actions.h"
#include "unique.h"

namespace glow {


class UninstallerApp : public AppFrame {
 public:
  UninstallerApp();
  bool InitInstance() override;
  int ExitInstance() override;  // lets the removal lock go
  // The product name the run settled on (for tests).
  const char* productName() const { return m_productName.c_str(); }

 private:
  // Everything up to the removal's exit code. `fromLauncher`: a launcher holds the lock for this run;
  // `report`: its pipe, when it waits for that code.
  int Remove(bool fromLauncher, HANDLE report);

  PathText m_productName;
  TraceLogFile m_log;
  HeldLock m_removalLock;
  RemovalRun m_run;  // its launcherLeft: the launcher file, moved aside, to delete once the launcher has ended
};

}  // namespace glow
