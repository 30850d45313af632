// Thin forwarding to the platform: no logic may live here beyond finding the functions.
#include "os.h"

#include <shlobj.h>

namespace glow {

namespace {

enum Library { kKernel32, kAdvapi32, kShell32, kUser32, kLibraryCount };

// Every function the programs do not import: the three libraries a planted DLL could stand in for,
// and what kernel32 has only since Vista.
#define GLOW_RUN_TIME_FUNCTIONS(X)                                                                          \
  X(kAdvapi32, RegCreateKeyExA) X(kAdvapi32, RegOpenKeyExA) X(kAdvapi32, RegSetValueExA)                    \
  X(kAdvapi32, RegQueryValueExA) X(kAdvapi32, RegDeleteKeyA) X(kAdvapi32, RegCloseKey)                      \
  X(kShell32, SHGetSpecialFolderPathA) X(kShell32, SHCreateDirectoryExA) X(kUser32, MessageBoxA)           \
  X(kKernel32, ReOpenFile) X(kKernel32, GetFinalPathNameByHandleA) X(kKernel32, SetFileInformationByHandle) \
  X(kKernel32, QueryFullProcessImageNameA)

#define GLOW_INDEX(library, name) k##name,
enum RunTimeFunction { GLOW_RUN_TIME_FUNCTIONS(GLOW_INDEX) kFunctionCount };
#undef GLOW_INDEX
static_assert(kFunctionCount == kRunTimeFunctionCount, "the seam's table and the function list differ");

struct FunctionName {
  Library library;
  const char* name;
};
#define GLOW_NAME(library, name) {library, #name},
const FunctionName kFunctionNames[kFunctionCount] = {GLOW_RUN_TIME_FUNCTIONS(GLOW_NAME)};
#undef GLOW_NAME

// DLLs that system libraries load behind the program's back. Where the search cannot be narrowed, each
// is loaded first from the system folder, so that a copy planted beside the program is never taken.
const char* const kPreloaded[] = {"uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "version.dll", "userenv.dll",
                                  "profapi.dll", "shcore.dll",  "propsys.dll",   "apphelp.dll", "comctl32.dll"};

// A function the system lacks fails like a failed call of it.
template <typename T>
T Missing(T failed) {
  ::SetLastError(ERROR_PROC_NOT_FOUND);
  return failed;
}

// Loads `name` from the system folder only.
HMODULE LoadFromSystemFolder(const char* name, bool searchNarrowed) {
  if (searchNarrowed) return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  char path[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

BOOL RealOs::LoadSystemLibraries() { return LoadSystemLibraries("advapi32.dll", "shell32.dll", "user32.dll"); }

BOOL RealOs::LoadSystemLibraries(const char* advapi32, const char* shell32, const char* user32) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  const bool narrowed = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!narrowed) {
    // Older systems: at least the current folder leaves the search, and the usual stand-ins are taken first.
    const auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDllDirectoryA")));
    if (setDirectory) setDirectory("");
    for (const char* name : kPreloaded) LoadFromSystemFolder(name, false);
  }
  const HMODULE modules[kLibraryCount] = {kernel32, LoadFromSystemFolder(advapi32, narrowed),
                                          LoadFromSystemFolder(shell32, narrowed),
                                          LoadFromSystemFolder(user32, narrowed)};
  BOOL all = TRUE;
  for (int i = 0; i < kFunctionCount; ++i) {
    const HMODULE module = modules[kFunctionNames[i].library];
    functions_[i] = module ? ::GetProcAddress(module, kFunctionNames[i].name) : nullptr;
    if (!functions_[i]) all = FALSE;
  }
  return all;
}

LPSTR RealOs::GetCommandLineA() {
  return ::GetCommandLineA();
}

DWORD RealOs::GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) {
  return ::GetModuleFileNameA(module, path, size);
}

HMODULE RealOs::GetModuleHandleA(LPCSTR name) {
  return ::GetModuleHandleA(name);
}

FARPROC RealOs::GetProcAddress(HMODULE module, LPCSTR name) {
  return ::GetProcAddress(module, name);
}

HANDLE RealOs::GetCurrentProcess() {
  return ::GetCurrentProcess();
}

BOOL RealOs::CallIsWow64Process(FARPROC function, HANDLE process, PBOOL wow64) {
  typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
  return reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(function))(process, wow64);
}

BOOL RealOs::CallWow64EnableWow64FsRedirection(FARPROC function, BOOL enable) {
  typedef BOOLEAN(WINAPI * EnableRedirectionFn)(BOOLEAN);
  return reinterpret_cast<EnableRedirectionFn>(reinterpret_cast<void*>(function))(enable ? TRUE : FALSE) ? TRUE : FALSE;
}

BOOL RealOs::CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment, LPCSTR currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
  const BOOL started = ::CreateProcessA(application, commandLine, processAttributes, threadAttributes, inheritHandles, flags, environment, currentFolder, startup, info);
  if (!started) {
    const DWORD error = ::GetLastError();
    ZeroMemory(info, sizeof *info);  // nothing for the owner to close
    ::SetLastError(error);
  }
  return started;
}

DWORD RealOs::ResumeThread(HANDLE thread) {
  return ::ResumeThread(thread);
}

BOOL RealOs::TerminateProcess(HANDLE process, UINT exitCode) {
  return ::TerminateProcess(process, exitCode);
}

BOOL RealOs::QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR name, PDWORD size) {
  const auto function = Find<decltype(&::QueryFullProcessImageNameA)>(kQueryFullProcessImageNameA);
  return function ? function(process, flags, name, size) : Missing<BOOL>(FALSE);
}

void RealOs::Sleep(DWORD milliseconds) {
  ::Sleep(milliseconds);
}

DWORD RealOs::GetTickCount() {
  return ::GetTickCount();
}

HANDLE RealOs::CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) {
  return ::CreateMutexA(attributes, initialOwner, name);
}

BOOL RealOs::CloseHandle(HANDLE handle) {
  return ::CloseHandle(handle);
}

HANDLE RealOs::CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags, HANDLE templateFile) {
  return ::CreateFileA(path, access, share, attributes, disposition, flags, templateFile);
}

BOOL RealOs::ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  return ::ReadFile(file, buffer, size, read, overlapped);
}

BOOL RealOs::WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  return ::WriteFile(file, buffer, size, written, overlapped);
}

BOOL RealOs::GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  return ::GetFileSizeEx(file, size);
}

HANDLE RealOs::ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags) {
  const auto function = Find<decltype(&::ReOpenFile)>(kReOpenFile);
  return function ? function(file, access, share, flags) : Missing(INVALID_HANDLE_VALUE);
}

DWORD RealOs::GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD flags) {
  const auto function = Find<decltype(&::GetFinalPathNameByHandleA)>(kGetFinalPathNameByHandleA);
  return function ? function(file, path, size, flags) : Missing<DWORD>(0);
}

BOOL RealOs::GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
  return ::GetFileInformationByHandle(file, info);
}

BOOL RealOs::SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
  const auto function = Find<decltype(&::SetFileInformationByHandle)>(kSetFileInformationByHandle);
  return function ? function(file, kind, info, size) : Missing<BOOL>(FALSE);
}

DWORD RealOs::GetFileAttributesA(LPCSTR path) {
  return ::GetFileAttributesA(path);
}

BOOL RealOs::CopyFileA(LPCSTR source, LPCSTR target, BOOL failIfExists) {
  return ::CopyFileA(source, target, failIfExists);
}

BOOL RealOs::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  return ::SetFileAttributesA(path, attributes);
}

BOOL RealOs::DeleteFileA(LPCSTR path) {
  return ::DeleteFileA(path);
}

BOOL RealOs::MoveFileExA(LPCSTR source, LPCSTR target, DWORD flags) {
  return ::MoveFileExA(source, target, flags);
}

HANDLE RealOs::FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
  return ::FindFirstFileA(pattern, found);
}

BOOL RealOs::FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found) {
  return ::FindNextFileA(search, found);
}

BOOL RealOs::FindClose(HANDLE search) {
  return ::FindClose(search);
}

BOOL RealOs::SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) {
  const auto function = Find<decltype(&::SHGetSpecialFolderPathA)>(kSHGetSpecialFolderPathA);
  return function ? function(owner, path, csidl, create) : Missing<BOOL>(FALSE);
}

int RealOs::SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) {
  const auto function = Find<decltype(&::SHCreateDirectoryExA)>(kSHCreateDirectoryExA);
  return function ? function(owner, path, attributes) : Missing<int>(ERROR_PROC_NOT_FOUND);
}

LONG RealOs::RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) {
  const auto function = Find<decltype(&::RegCreateKeyExA)>(kRegCreateKeyExA);
  const LONG status = function ? function(key, subKey, reserved, className, options, access, attributes, result, disposition)
                               : Missing<LONG>(ERROR_PROC_NOT_FOUND);
  if (status != ERROR_SUCCESS) *result = nullptr;  // the platform does not promise it
  return status;
}

LONG RealOs::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  const auto function = Find<decltype(&::RegOpenKeyExA)>(kRegOpenKeyExA);
  const LONG status = function ? function(key, subKey, options, access, result) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
  if (status != ERROR_SUCCESS) *result = nullptr;  // the platform does not promise it
  return status;
}

LONG RealOs::RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  const auto function = Find<decltype(&::RegSetValueExA)>(kRegSetValueExA);
  return function ? function(key, name, reserved, type, data, size) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
}

LONG RealOs::RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  const auto function = Find<decltype(&::RegQueryValueExA)>(kRegQueryValueExA);
  return function ? function(key, name, reserved, type, data, size) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
}

LONG RealOs::RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  const auto function = Find<decltype(&::RegDeleteKeyA)>(kRegDeleteKeyA);
  return function ? function(key, subKey) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
}

LONG RealOs::RegCloseKey(HKEY key) {
  const auto function = Find<decltype(&::RegCloseKey)>(kRegCloseKey);
  return function ? function(key) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
}

DWORD RealOs::GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR value, DWORD size, LPCSTR path) {
  return ::GetPrivateProfileStringA(section, key, fallback, value, size, path);
}

HRSRC RealOs::FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  return ::FindResourceA(module, name, type);
}

HGLOBAL RealOs::LoadResource(HMODULE module, HRSRC item) {
  return ::LoadResource(module, item);
}

LPVOID RealOs::LockResource(HGLOBAL loaded) {
  return ::LockResource(loaded);
}

DWORD RealOs::SizeofResource(HMODULE module, HRSRC item) {
  return ::SizeofResource(module, item);
}

void RealOs::GetSystemTime(LPSYSTEMTIME time) {
  ::GetSystemTime(time);
}

BOOL RealOs::SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal, LPSYSTEMTIME local) {
  return ::SystemTimeToTzSpecificLocalTime(zone, universal, local);
}

BOOL RealOs::IsDBCSLeadByte(BYTE c) {
  return ::IsDBCSLeadByte(c);
}

DWORD RealOs::FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size, va_list* arguments) {
  return ::FormatMessageA(flags, source, messageId, languageId, buffer, size, arguments);
}

HLOCAL RealOs::LocalFree(HLOCAL memory) {
  return ::LocalFree(memory);
}

void RealOs::OutputDebugStringA(LPCSTR line) {
  ::OutputDebugStringA(line);
}

int RealOs::MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const auto function = Find<decltype(&::MessageBoxA)>(kMessageBoxA);
  return function ? function(owner, text, caption, type) : Missing<int>(0);
}

namespace {
RealOs g_realOs;
Os* g_os = &g_realOs;
}  // namespace

Os& Sys() { return *g_os; }
void SetSys(Os* os) { g_os = os ? os : &g_realOs; }

bool SystemLeadByte(unsigned char c) { return Sys().IsDBCSLeadByte(c) != FALSE; }

}  // namespace glow
