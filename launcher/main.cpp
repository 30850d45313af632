#include "launcher_app.h"
#include "program_start.h"

int glow::ProgramMain() {
  glow::LauncherApp app;
  return glow::RunApplication(app);
}
