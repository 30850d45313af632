/* For the test scripts: holds a screen saver for some seconds as it is held while it runs or previews:
   mapped as a program image, so that it cannot be deleted but can be renamed.
   hold-file.exe PATH SECONDS */
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
  HMODULE held;
  if (argc != 3) return 2;
  held = LoadLibraryExA(argv[1], NULL, DONT_RESOLVE_DLL_REFERENCES);
  if (!held) return 1;
  Sleep((DWORD)atoi(argv[2]) * 1000);
  FreeLibrary(held);
  return 0;
}
