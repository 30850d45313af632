/* For the test scripts: a stand-in for a deployment tool (winget, Intune, Configuration Manager). It
   starts one command line, waits for that process alone, and at once runs the detection rule: is the
   uninstall entry there, are the files it lists there.
     deploy-tool.exe [--hidden] run "COMMAND LINE"       exit N
     deploy-tool.exe [--hidden] remove NAME [quiet]      the entry's UninstallString (QuietUninstallString):
                                                        exit N, entry gone|there, files gone|there
     deploy-tool.exe rounds N NAME "INSTALL COMMAND"     install, remove as above, N times: rounds ok K of N
     deploy-tool.exe twice NAME                          the uninstall command twice at once: exit A B
     deploy-tool.exe cut NAME LOG                        the uninstall command with /log=LOG; the moment the
                                                        uninstaller runs it is ended with exit code 0, as
                                                        a time limit or a security product might end it:
                                                        exit N, entry gone|there
   --hidden starts it in a window station of its own that no one sees, as a service's session has. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
/* After windows.h. */
#include <tlhelp32.h>

static char desktop[64];

static const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

/* A window station without WSF_VISIBLE, and a desktop in it for the program to start on. */
static void MakeHiddenDesktop(void) {
  HWINSTA own = GetProcessWindowStation();
  HWINSTA hidden = CreateWindowStationA("GlowFleet", 0, WINSTA_ALL_ACCESS, NULL);
  if (!hidden || !SetProcessWindowStation(hidden)) {
    printf("no window station of its own: %lu\n", GetLastError());
    exit(3);
  }
  if (!CreateDesktopA("Default", NULL, NULL, 0, GENERIC_ALL, NULL)) {
    printf("no desktop in it: %lu\n", GetLastError());
    exit(3);
  }
  SetProcessWindowStation(own);
  strcpy(desktop, "GlowFleet\\Default");
}

static BOOL Start(const char* commandLine, DWORD flags, PROCESS_INFORMATION* started) {
  STARTUPINFOA startup;
  char line[2048];
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (desktop[0]) startup.lpDesktop = desktop;
  lstrcpynA(line, commandLine, sizeof line);
  return CreateProcessA(NULL, line, NULL, NULL, FALSE, flags, NULL, NULL, &startup, started);
}

/* Starts the command line and waits for that process only: its exit code, or -1 when it did not start. */
static long RunWaiting(const char* commandLine) {
  PROCESS_INFORMATION started;
  DWORD code = 0;
  if (!Start(commandLine, 0, &started)) return -1;
  WaitForSingleObject(started.hProcess, INFINITE);
  GetExitCodeProcess(started.hProcess, &code);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
  return (long)code;
}

/* A value of the product's uninstall entry, in the 32-bit view, where deployment tools look. */
static BOOL ReadEntry(const char* name, const char* value, char* text, DWORD size) {
  char path[512];
  HKEY key;
  LONG status;
  snprintf(path, sizeof path, "%s%s", kUninstallKey, name);
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return FALSE;
  status = RegQueryValueExA(key, value, NULL, NULL, (BYTE*)text, &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

/* True when any file of the "|"-joined list is there, looked for in the native system folder. */
static BOOL AnyThere(char* list) {
  BOOL there = FALSE;
  char* piece;
  PVOID redirection = NULL;
  HMODULE kernel32 = GetModuleHandleA("kernel32");
  BOOL(WINAPI * disable)(PVOID*) = (BOOL(WINAPI*)(PVOID*))(void*)GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection");
  BOOL(WINAPI * revert)(PVOID) = (BOOL(WINAPI*)(PVOID))(void*)GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection");
  BOOL off = disable && disable(&redirection);
  for (piece = strtok(list, "|"); piece; piece = strtok(NULL, "|"))
    if (GetFileAttributesA(piece) != INVALID_FILE_ATTRIBUTES) there = TRUE;
  if (off && revert) revert(redirection);
  return there;
}

/* Removes the product by its registered command; 1 when the tool would count it a success: exit 0 (or
   3010), and the detection rule finds neither the entry nor the files. */
static int Remove(const char* name, BOOL quiet, BOOL print) {
  char command[1024] = "";
  char list[4096] = "";
  char launcher[1024];
  long code;
  BOOL entry, files;
  if (!ReadEntry(name, quiet ? "QuietUninstallString" : "UninstallString", command, sizeof command) ||
      !ReadEntry(name, "CopyScrPath", list, sizeof list)) {
    if (print) printf("no entry to remove\n");
    return 0;
  }
  lstrcpynA(launcher, command[0] == '"' ? command + 1 : command, sizeof launcher);
  if (strchr(launcher, '"')) *strchr(launcher, '"') = '\0';
  code = RunWaiting(command);
  entry = ReadEntry(name, "UninstallString", command, sizeof command);
  files = AnyThere(list) || GetFileAttributesA(launcher) != INVALID_FILE_ATTRIBUTES;
  if (print) printf("exit %ld, entry %s, files %s\n", code, entry ? "there" : "gone", files ? "there" : "gone");
  return (code == 0 || code == 3010) && !entry && !files;
}

/* True when the process's first thread runs: it was started suspended, and is let run once checked. */
static BOOL Runs(DWORD id) {
  HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry;
  BOOL runs = FALSE;
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(all, &entry); more; more = Thread32Next(all, &entry)) {
    HANDLE thread;
    if (entry.th32OwnerProcessID != id) continue;
    thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
    if (thread) {
      runs = SuspendThread(thread) == 0;
      ResumeThread(thread);
      CloseHandle(thread);
    }
    break;
  }
  CloseHandle(all);
  return runs;
}

/* Ends every running process of "uninst.tmp" with exit code 0; how many. */
static int EndUninstaller(void) {
  HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry;
  int ended = 0;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(all, &entry); more; more = Process32Next(all, &entry)) {
    HANDLE process;
    if (lstrcmpiA(entry.szExeFile, "uninst.tmp") != 0 || !Runs(entry.th32ProcessID)) continue;
    process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    if (process && TerminateProcess(process, 0)) ++ended;
    if (process) CloseHandle(process);
  }
  CloseHandle(all);
  return ended;
}

int main(int argc, char** argv) {
  int a = 1;
  if (a < argc && strcmp(argv[a], "--hidden") == 0) {
    MakeHiddenDesktop();
    ++a;
  }
  if (a + 1 < argc && strcmp(argv[a], "run") == 0) {
    printf("exit %ld\n", RunWaiting(argv[a + 1]));
    return 0;
  }
  if (a + 1 < argc && strcmp(argv[a], "remove") == 0) {
    Remove(argv[a + 1], a + 2 < argc && strcmp(argv[a + 2], "quiet") == 0, TRUE);
    return 0;
  }
  if (a + 3 < argc && strcmp(argv[a], "rounds") == 0) {
    int rounds = atoi(argv[a + 1]), ok = 0, i;
    for (i = 0; i < rounds; ++i) {
      long installed = RunWaiting(argv[a + 3]);
      if (installed == 0 && Remove(argv[a + 2], i % 2 == 1, FALSE)) ++ok;
      else printf("round %d: install exit %ld\n", i, installed);
    }
    printf("rounds ok %d of %d\n", ok, rounds);
    return 0;
  }
  if (a + 2 < argc && strcmp(argv[a], "cut") == 0) {
    char command[1024], line[1400];
    PROCESS_INFORMATION started;
    DWORD code = 0, start = GetTickCount();
    int ended = 0;
    if (!ReadEntry(argv[a + 1], "UninstallString", command, sizeof command)) {
      printf("no entry to remove\n");
      return 0;
    }
    snprintf(line, sizeof line, "%s /log=%s", command, argv[a + 2]);
    if (!Start(line, 0, &started)) {
      printf("not started\n");
      return 0;
    }
    while (!ended && WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < 60000)
      ended = EndUninstaller();
    WaitForSingleObject(started.hProcess, INFINITE);
    GetExitCodeProcess(started.hProcess, &code);
    printf("exit %lu, entry %s%s\n", code, ReadEntry(argv[a + 1], "UninstallString", command, sizeof command) ? "there" : "gone",
           ended ? "" : ", the uninstaller was not ended");
    return 0;
  }
  if (a + 1 < argc && strcmp(argv[a], "twice") == 0) {
    char command[1024];
    PROCESS_INFORMATION first, second;
    DWORD codes[2] = {0, 0};
    if (!ReadEntry(argv[a + 1], "UninstallString", command, sizeof command)) {
      printf("no entry to remove\n");
      return 0;
    }
    /* Both made before either runs, then let go together. */
    if (!Start(command, CREATE_SUSPENDED, &first) || !Start(command, CREATE_SUSPENDED, &second)) {
      printf("not started\n");
      return 0;
    }
    ResumeThread(first.hThread);
    ResumeThread(second.hThread);
    WaitForSingleObject(first.hProcess, INFINITE);
    WaitForSingleObject(second.hProcess, INFINITE);
    GetExitCodeProcess(first.hProcess, &codes[0]);
    GetExitCodeProcess(second.hProcess, &codes[1]);
    printf("exit %lu %lu\n", codes[0] < codes[1] ? codes[0] : codes[1], codes[0] < codes[1] ? codes[1] : codes[0]);
    return 0;
  }
  fprintf(stderr, "usage: see the head of deploy_tool.c\n");
  return 2;
}
