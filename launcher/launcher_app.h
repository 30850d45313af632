#pragma once
#include "app_frame.h"

namespace glow {

enum LauncherExitCode {
  kUninstallerStarted = 0,
  kScratchCopyFailed = 1,     // "Failed to uninstall!": the uninstaller could not be written and held
  kLauncherPathUnavailable = 2,
  kCommandLineTooLong = 3,    // "Failed to uninstall!": the file name does not fit the command line
  kUninstallerNotStarted = 4,
  kUninstallerNotConfirmed = 5,  // "Failed to uninstall!": what started was not the written copy; ended
  kProductNameUnknown = 6,       // "Failed to uninstall!": no product name could be taken from the file name
};

extern const char kFailedToUninstall[];
extern const char kUninstallerCaption[];

class LauncherApp : public AppFrame {
 public:
  LauncherApp();
  bool InitInstance() override;

 private:
  // Shows "Failed to uninstall!" and ends the run with `exitCode`.
  bool FailToUninstall(int exitCode);
};

}  // namespace glow
