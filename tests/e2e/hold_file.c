/* For the test scripts: holds a screen saver as it is held while it runs or previews: mapped as a program
   image, so that it cannot be deleted but can be renamed. Says it holds it by making the file HELD, and
   lets go once the file RELEASE appears (or after two minutes).
   hold-file.exe PATH HELD RELEASE */
#include <windows.h>

int main(int argc, char** argv) {
  HMODULE held;
  DWORD start;
  if (argc != 4) return 2;
  held = LoadLibraryExA(argv[1], NULL, DONT_RESOLVE_DLL_REFERENCES);
  if (!held) return 1;
  CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  start = GetTickCount();
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 120000) Sleep(50);
  FreeLibrary(held);
  return 0;
}
