// The functions found at run time. No logic may live here beyond finding them.
#include "os.h"

#include <string.h>

#include "mb_text.h"

namespace glow {

namespace real {
FARPROC g_functions[kRunTimeFunctionCount];
}  // namespace real

namespace {

enum Library : unsigned char { kKernel32, kAdvapi32, kShell32, kUser32, kUserenv, kLibraryCount };

// Names and libraries of what is found, in the order of the table, the names one after another.
#define GLOW_LIBRARY(library, name) library,
const Library kFunctionLibraries[real::kRunTimeFunctionCount] = {GLOW_RUN_TIME_FUNCTIONS(GLOW_LIBRARY)};
#undef GLOW_LIBRARY
#define GLOW_NAME(library, name) #name "\0"
const char kFunctionNames[] = GLOW_RUN_TIME_FUNCTIONS(GLOW_NAME);
#undef GLOW_NAME

// Loads `name` from the system folder only.
HMODULE LoadFromSystemFolder(const char* name, bool searchNarrowed) {
  if (searchNarrowed) return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  PathText path;
  const UINT length = ::GetSystemDirectoryA(path.data(), PathText::kCapacity);
  if (length == 0 || length >= PathText::kCapacity || !path.Append("\\") || !path.Append(name)) return nullptr;
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

BOOL LoadSystemLibrariesNamed(const char* advapi32, const char* shell32, const char* user32) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  const bool narrowed = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!narrowed) {
    // Systems without it (Windows 7 before KB2533623): at least the current folder leaves the search.
    const auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDllDirectoryA")));
    if (setDirectory) setDirectory("");
  }
  const HMODULE modules[kLibraryCount] = {kernel32, LoadFromSystemFolder(advapi32, narrowed),
                                          LoadFromSystemFolder(shell32, narrowed),
                                          LoadFromSystemFolder(user32, narrowed),
                                          LoadFromSystemFolder("userenv.dll", narrowed)};
  BOOL all = TRUE;
  const char* name = kFunctionNames;
  for (int i = 0; i < real::kRunTimeFunctionCount; ++i, name += strlen(name) + 1) {
    const HMODULE module = modules[kFunctionLibraries[i]];
    real::g_functions[i] = module ? ::GetProcAddress(module, name) : nullptr;
    if (!real::g_functions[i]) all = FALSE;
  }
  return all;
}

bool SystemLeadByte(unsigned char c) { return Sys().IsDBCSLeadByte(c) != FALSE; }

bool SystemWide(const char* text, char16_t* wide, size_t capacity) {
  return Sys().MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, reinterpret_cast<LPWSTR>(wide),
                                   static_cast<int>(capacity)) > 0;
}

}  // namespace glow
