#include <windows.h>

#include "installer_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  glow::InstallerApp app;
  return glow::RunApplication(app);
}
