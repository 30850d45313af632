#include <windows.h>

#include "uninstaller_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  glow::UninstallerApp app;
  return glow::RunApplication(app);
}
