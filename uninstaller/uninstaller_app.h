#pragma once
#include "app_frame.h"
#include "mb_text.h"

namespace glow {

enum UninstallerExitCode {
  kRemoved = 0,             // the last removal pass got to its end
  kRemovalIncomplete = 1,   // nothing registered under the name, or the desktop key could not be opened
  kUninstallNameRefused = 2,  // the product name is too long for the key path
  kArgumentsUnreadable = 3,   // no room to read the argument text: which product is meant is unknown
  kEntryRemains = 4,           // still registered: the key could not be deleted, or a file could be neither
                               // deleted nor scheduled (the key lists it); run the removal again
  kRemovedAfterRestart = 3010,  // ERROR_SUCCESS_REBOOT_REQUIRED: done, files in use go at the next restart
};

class UninstallerApp : public AppFrame {
 public:
  UninstallerApp();
  bool InitInstance() override;
  // The product name the run settled on (for tests).
  const char* productName() const { return m_productName.c_str(); }

 private:
  PathText m_productName;
};

}  // namespace glow
