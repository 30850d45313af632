#include "uninstaller_app.h"
#include "program_start.h"

int glow::ProgramMain() {
  glow::UninstallerApp app;
  return glow::RunApplication(app);
}
