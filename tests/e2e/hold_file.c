/* For the test scripts: holds a file open, sharing nothing, for some seconds, as a running screen saver
   or its preview holds its file.   hold-file.exe PATH SECONDS */
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
  HANDLE held;
  if (argc != 3) return 2;
  held = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (held == INVALID_HANDLE_VALUE) return 1;
  Sleep((DWORD)atoi(argv[2]) * 1000);
  CloseHandle(held);
  return 0;
}
