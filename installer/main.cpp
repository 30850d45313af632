#include "installer_app.h"
#include "program_start.h"

int glow::ProgramMain() {
  glow::InstallerApp app;
  return glow::RunApplication(app);
}
