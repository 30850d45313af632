/* glowprobe: the bench's stopwatch inside Wine.
 *
 *   glowprobe.exe install|remove [--bound-ms N] [--list FILE] [--file PATH]...
 *                 [--key 32|64 HKLM|HKCU SUBKEY]... [--empty-value HKCU SUBKEY NAME]...
 *                 -- COMMAND LINE
 *   glowprobe.exe noop
 *
 * Starts COMMAND LINE, waits for that process to end, then polls every millisecond (bounded) until
 * the listed things are there (install) or gone (remove). Files are checked with WOW64 file
 * redirection off, so C:\windows\system32 means the native folder. An --empty-value is "done" when
 * the value is missing or empty, both on install (never checked there) and on removal.
 * Prints one line:  exit=N returned_ms=T done_ms=T state=done|timeout left=K first_left=...
 * Times count from just before CreateProcess. The probe's own exit code is 0 when done, 1 on timeout,
 * 2 when the command could not be started, 3 on bad arguments. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef BOOL(WINAPI *DisableFn)(PVOID *);
typedef BOOL(WINAPI *RevertFn)(PVOID);

enum Kind { kFile, kKey, kEmptyValue };

typedef struct {
  enum Kind kind;
  HKEY root;
  REGSAM view;
  char *path;  /* file path or subkey */
  char *name;  /* value name (kEmptyValue) */
} Item;

static Item *items;
static int itemCount, itemCapacity;

static void AddItem(enum Kind kind, HKEY root, REGSAM view, const char *path, const char *name) {
  if (itemCount == itemCapacity) {
    itemCapacity = itemCapacity ? itemCapacity * 2 : 64;
    items = (Item *)realloc(items, sizeof(Item) * itemCapacity);
  }
  items[itemCount].kind = kind;
  items[itemCount].root = root;
  items[itemCount].view = view;
  items[itemCount].path = _strdup(path);
  items[itemCount].name = name ? _strdup(name) : NULL;
  ++itemCount;
}

static DisableFn pDisable;
static RevertFn pRevert;

static BOOL FilePresent(const char *path) {
  PVOID old = NULL;
  BOOL off = pDisable && pDisable(&old);
  DWORD attributes = GetFileAttributesA(path);
  if (off) pRevert(old);
  return attributes != INVALID_FILE_ATTRIBUTES;
}

/* "Present" means: the file exists, the key exists, or the value holds some text. */
static BOOL ItemPresent(const Item *item) {
  if (item->kind == kFile) return FilePresent(item->path);
  HKEY key;
  if (RegOpenKeyExA(item->root, item->path, 0, KEY_QUERY_VALUE | item->view, &key) != ERROR_SUCCESS) return FALSE;
  BOOL present = TRUE;
  if (item->kind == kEmptyValue) {
    char data[8];
    DWORD size = sizeof data, type = 0;
    LONG status = RegQueryValueExA(key, item->name, NULL, &type, (BYTE *)data, &size);
    if (status == ERROR_FILE_NOT_FOUND) present = FALSE;
    else if (status == ERROR_SUCCESS && (size == 0 || (size == 1 && data[0] == 0))) present = FALSE;
  }
  RegCloseKey(key);
  return present;
}

static HKEY RootOf(const char *text) {
  if (!_stricmp(text, "HKLM")) return HKEY_LOCAL_MACHINE;
  if (!_stricmp(text, "HKCU")) return HKEY_CURRENT_USER;
  return NULL;
}

static void ReadList(const char *listPath) {
  FILE *list = fopen(listPath, "r");
  if (!list) {
    fprintf(stderr, "cannot read %s\n", listPath);
    exit(3);
  }
  char line[1024];
  while (fgets(line, sizeof line, list)) {
    size_t n = strlen(line);
    while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
    if (n) AddItem(kFile, NULL, 0, line, NULL);
  }
  fclose(list);
}

/* The command line after the first " -- " of our own, taken verbatim. */
static char *CommandAfterSeparator(void) {
  char *line = GetCommandLineA();
  char *at = strstr(line, " -- ");
  return at ? at + 4 : NULL;
}

static double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

int main(int argc, char **argv) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  pDisable = (DisableFn)GetProcAddress(kernel, "Wow64DisableWow64FsRedirection");
  pRevert = (RevertFn)GetProcAddress(kernel, "Wow64RevertWow64FsRedirection");
  if (argc >= 2 && !strcmp(argv[1], "noop")) return 0;
  if (argc < 2 || (strcmp(argv[1], "install") && strcmp(argv[1], "remove"))) {
    fprintf(stderr, "usage: glowprobe install|remove [options] -- command\n");
    return 3;
  }
  const BOOL wantPresent = !strcmp(argv[1], "install");
  DWORD boundMs = 60000;
  for (int i = 2; i < argc; ++i) {
    if (!strcmp(argv[i], "--")) break;
    if (!strcmp(argv[i], "--bound-ms") && i + 1 < argc) {
      boundMs = (DWORD)strtoul(argv[++i], NULL, 10);
    } else if (!strcmp(argv[i], "--file") && i + 1 < argc) {
      AddItem(kFile, NULL, 0, argv[++i], NULL);
    } else if (!strcmp(argv[i], "--list") && i + 1 < argc) {
      ReadList(argv[++i]);
    } else if (!strcmp(argv[i], "--key") && i + 3 < argc) {
      REGSAM view = !strcmp(argv[i + 1], "32") ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
      HKEY root = RootOf(argv[i + 2]);
      if (!root) return 3;
      AddItem(kKey, root, view, argv[i + 3], NULL);
      i += 3;
    } else if (!strcmp(argv[i], "--empty-value") && i + 3 < argc) {
      HKEY root = RootOf(argv[i + 1]);
      if (!root) return 3;
      /* Only removal waits for it; an install's value is not a "thing that must exist" here. */
      if (!wantPresent) AddItem(kEmptyValue, root, 0, argv[i + 2], argv[i + 3]);
      i += 3;
    } else {
      fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 3;
    }
  }
  char *command = CommandAfterSeparator();
  if (!command || !*command) {
    fprintf(stderr, "no command after --\n");
    return 3;
  }

  LARGE_INTEGER frequency, start, returned, done;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    printf("exit=-1 returned_ms=0 done_ms=0 state=notstarted left=%d first_left=- error=%lu\n", itemCount,
           GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&returned);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  /* Items settle roughly in order: keep a cursor to the first unsettled one and re-check all at the end. */
  int cursor = 0;
  BOOL settled = FALSE;
  for (;;) {
    while (cursor < itemCount && ItemPresent(&items[cursor]) == wantPresent) ++cursor;
    if (cursor == itemCount) {
      int again = 0;
      while (again < itemCount && ItemPresent(&items[again]) == wantPresent) ++again;
      if (again == itemCount) {
        settled = TRUE;
        break;
      }
      cursor = again;
    }
    QueryPerformanceCounter(&done);
    if (Ms(start, done, frequency) > boundMs) break;
    Sleep(1);
  }
  QueryPerformanceCounter(&done);
  int left = 0;
  const char *firstLeft = "-";
  for (int i = 0; i < itemCount; ++i)
    if (ItemPresent(&items[i]) != wantPresent) {
      if (!left) firstLeft = items[i].name ? items[i].name : items[i].path;
      ++left;
    }
  printf("exit=%lu returned_ms=%.3f done_ms=%.3f state=%s left=%d first_left=%s\n", exitCode,
         Ms(start, returned, frequency), Ms(start, done, frequency), settled ? "done" : "timeout", left, firstLeft);
  return settled ? 0 : 1;
}
