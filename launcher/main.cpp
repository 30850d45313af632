#include <windows.h>

#include "launcher_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  glow::LauncherApp app;
  return glow::RunApplication(app);
}
