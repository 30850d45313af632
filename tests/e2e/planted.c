/* What an attacker plants for the attack tests: built as a DLL named after the DLLs a program loads, and
   as a foreign program. Whichever way it runs, it leaves a marker naming itself in C:\glow-marker.txt. */
#include <windows.h>

static void LeaveMarker(HMODULE self) {
  char path[MAX_PATH] = {0};
  DWORD written = 0;
  HANDLE marker;
  GetModuleFileNameA(self, path, MAX_PATH);
  marker = CreateFileA("C:\\glow-marker.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_ALWAYS, 0, NULL);
  WriteFile(marker, path, lstrlenA(path), &written, NULL);
  WriteFile(marker, "\r\n", 2, &written, NULL);
  CloseHandle(marker);
}

#ifdef GLOW_PLANTED_DLL
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}
#else
int WINAPI WinMain(HINSTANCE self, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)commandLine;
  (void)show;
  LeaveMarker(self);
  return 0;
}
#endif
