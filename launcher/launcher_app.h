#pragma once
#include "app_frame.h"
#include "exit_codes.h"
#include "bounded_text.h"
#include "trace.h"
#include "unique.h"

namespace glow {

extern const char kFailedToUninstall[];
extern const char kUninstallerCaption[];

class LauncherApp : public AppFrame {
 public:
  LauncherApp();
  bool InitInstance() override;
  int ExitInstance() override;  // lets the removal lock go

 private:
  TraceLogFile m_log;
  HeldLock m_removalLock;

  // Shows "Failed to uninstall!" and ends the run with `exitCode`.
  bool FailToUninstall(int exitCode);
};

}  // namespace glow
