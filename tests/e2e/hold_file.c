/* For the test scripts: holds a screen saver as it is held while it runs or previews: mapped as a program
   image, so that it cannot be deleted but can be renamed; with "read", opened for reading as any user
   may, sharing reading only, so that it can be neither deleted nor renamed. Says it holds it by making
   the file HELD, and lets go once the file RELEASE appears (or after two minutes).
   With "mutex:NAME" for PATH it makes that mutex first, as any program without administrator rights can
   (with "deny", one that refuses everyone), and holds it the same way. With a pipe's name "\\.\pipe\..."
   it makes that pipe first and notes in C:\glow-marker.txt each client that connects, and what it writes.
   hold-file.exe PATH HELD RELEASE [read|deny] */
#include <string.h>
#include <windows.h>

int main(int argc, char** argv) {
  HMODULE held = NULL;
  HANDLE opened = INVALID_HANDLE_VALUE;
  DWORD start;
  if (argc != 4 && !(argc == 5 && (strcmp(argv[4], "read") == 0 || strcmp(argv[4], "deny") == 0))) return 2;
  if (strncmp(argv[1], "\\\\.\\pipe\\", 9) == 0) {
    HANDLE pipe = CreateNamedPipeA(argv[1], PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0, NULL);
    if (pipe == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    start = GetTickCount();
    while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 120000) {
      char got[4096];
      DWORD read = 0;
      HANDLE marker;
      if (ConnectNamedPipe(pipe, NULL) || (GetLastError() != ERROR_PIPE_CONNECTED && GetLastError() != ERROR_NO_DATA)) {
        Sleep(20);
        continue;
      }
      /* A client came: as a server it could now act as that client. */
      marker = CreateFileA("C:\\glow-marker.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
      WriteFile(marker, "client connected\r\n", 18, &read, NULL);
      Sleep(200);
      if (ReadFile(pipe, got, sizeof got, &read, NULL) && read) WriteFile(marker, got, read, &read, NULL);
      CloseHandle(marker);
      DisconnectNamedPipe(pipe);
    }
    return 0;
  }
  if (strncmp(argv[1], "mutex:", 6) == 0) {
    SECURITY_DESCRIPTOR refusing;
    ACL empty;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &refusing, FALSE};
    InitializeSecurityDescriptor(&refusing, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&refusing, TRUE, &empty, FALSE);
    opened = CreateMutexA(argc == 5 ? &attributes : NULL, FALSE, argv[1] + 6);
    if (!opened) return 1;
  } else if (argc == 5)
    opened = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  else
    held = LoadLibraryExA(argv[1], NULL, DONT_RESOLVE_DLL_REFERENCES);
  if (!held && opened == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  start = GetTickCount();
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 120000) Sleep(50);
  if (held) FreeLibrary(held);
  if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
  return 0;
}
