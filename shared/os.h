#pragma once
// The programs' one seam to the operating system: one operation per Win32 call they make.
// Product code calls Sys().Operation(...): a call through one pointer per operation, which points at the
// system's function unless a test has put an Os of its own in place (SetSys); tests put a GoogleMock there
// that delegates to RealOs and fails single calls. Nothing here is virtual for the programs, so each
// carries, and imports, only the operations it uses.
// The programs import only kernel32 and the C runtime. LoadSystemLibraries, the first act of every
// program, narrows the DLL search to the system folder and finds the rest there at run time: advapi32,
// shell32 and user32, and what kernel32 has only since Vista (ReOpenFile, GetFinalPathNameByHandleA,
// SetFileInformationByHandle, QueryFullProcessImageNameA). Whether the system has one is asked explicitly
// (HasSystemFunction), never read from a failed call; a function not found still fails like a failed call
// of it, with ERROR_PROC_NOT_FOUND. It runs while WOW64 redirection is still on: with it off, loading from
// the system folder fails on 64-bit Windows.
#include <shlobj.h>
#include <windows.h>
// After windows.h.
#include <aclapi.h>
#include <sddl.h>

// userenv's, whose header the programs do not otherwise need.
extern "C" BOOL WINAPI GetUserProfileDirectoryW(HANDLE token, LPWSTR path, LPDWORD size);

// Every operation: result, name, parameters, how they are passed on, what really does it, and what a failed
// call returns (never: it cannot fail), which only the tests' fault double reads.
#define GLOW_OS_OPERATIONS(X) \
  /* Start-up */ \
  X(BOOL, LoadSystemLibraries, (), (), real::LoadSystemLibraries, FALSE) \
  X(BOOL, HasSystemFunction, (int function), (function), real::HasSystemFunction, never) \
  /* Process, module and command line */ \
  X(LPSTR, GetCommandLineA, (), (), ::GetCommandLineA, never) \
  X(DWORD, GetModuleFileNameA, (HMODULE module, LPSTR path, DWORD size), (module, path, size), \
      ::GetModuleFileNameA, 0) \
  X(HMODULE, GetModuleHandleA, (LPCSTR name), (name), ::GetModuleHandleA, nullptr) \
  X(FARPROC, GetProcAddress, (HMODULE module, LPCSTR name), (module, name), ::GetProcAddress, nullptr) \
  X(HANDLE, GetCurrentProcess, (), (), ::GetCurrentProcess, never) \
  X(BOOL, CallIsWow64Process, (FARPROC function, HANDLE process, PBOOL wow64), (function, process, wow64), \
      real::CallIsWow64Process, FALSE) \
  X(BOOL, CallWow64EnableWow64FsRedirection, (FARPROC function, BOOL enable), (function, enable), \
      real::CallWow64EnableWow64FsRedirection, FALSE) \
  X(BOOL, CreateProcessA, (LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes, \
      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment, LPCSTR \
      currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info), (application, commandLine, \
      processAttributes, threadAttributes, inheritHandles, flags, environment, currentFolder, startup, info), \
      real::CreateProcessA, FALSE) \
  X(DWORD, ResumeThread, (HANDLE thread), (thread), ::ResumeThread, static_cast<DWORD>(-1)) \
  X(HANDLE, CreateJobObjectA, (LPSECURITY_ATTRIBUTES attributes, LPCSTR name), (attributes, name), \
      ::CreateJobObjectA, nullptr) \
  X(BOOL, SetInformationJobObject, (HANDLE job, JOBOBJECTINFOCLASS kind, LPVOID information, DWORD size), (job, \
      kind, information, size), ::SetInformationJobObject, FALSE) \
  X(BOOL, AssignProcessToJobObject, (HANDLE job, HANDLE process), (job, process), ::AssignProcessToJobObject, FALSE) \
  X(DWORD, WaitForSingleObject, (HANDLE object, DWORD milliseconds), (object, milliseconds), ::WaitForSingleObject, \
      WAIT_FAILED) \
  X(BOOL, GetExitCodeProcess, (HANDLE process, LPDWORD code), (process, code), ::GetExitCodeProcess, FALSE) \
  X(BOOL, TerminateProcess, (HANDLE process, UINT exitCode), (process, exitCode), ::TerminateProcess, FALSE) \
  X(BOOL, QueryFullProcessImageNameA, (HANDLE process, DWORD flags, LPSTR name, PDWORD size), (process, flags, \
      name, size), real::QueryFullProcessImageNameA, FALSE) \
  X(void, Sleep, (DWORD milliseconds), (milliseconds), ::Sleep, never) \
  X(DWORD, GetTickCount, (), (), ::GetTickCount, never) \
  /* Handles and mutexes */ \
  X(HANDLE, CreateMutexA, (LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name), (attributes, \
      initialOwner, name), ::CreateMutexA, nullptr) \
  X(BOOL, CloseHandle, (HANDLE handle), (handle), ::CloseHandle, FALSE) \
  X(DWORD, GetSecurityInfo, (HANDLE object, SE_OBJECT_TYPE kind, SECURITY_INFORMATION parts, PSID* owner, PSID* \
      group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor), (object, kind, parts, owner, group, dacl, \
      sacl, descriptor), real::GetSecurityInfo, ERROR_ACCESS_DENIED) \
  X(HANDLE, CreateBoundaryDescriptorW, (LPCWSTR name, ULONG flags), (name, flags), real::CreateBoundaryDescriptorW, \
      nullptr) \
  X(BOOL, AddSIDToBoundaryDescriptor, (HANDLE* boundary, PSID sid), (boundary, sid), \
      real::AddSIDToBoundaryDescriptor, FALSE) \
  X(void, DeleteBoundaryDescriptor, (HANDLE boundary), (boundary), real::DeleteBoundaryDescriptor, never) \
  X(HANDLE, CreatePrivateNamespaceW, (LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR prefix), \
      (attributes, boundary, prefix), real::CreatePrivateNamespaceW, nullptr) \
  X(HANDLE, OpenPrivateNamespaceW, (LPVOID boundary, LPCWSTR prefix), (boundary, prefix), \
      real::OpenPrivateNamespaceW, nullptr) \
  X(BOOLEAN, ClosePrivateNamespace, (HANDLE space, ULONG flags), (space, flags), real::ClosePrivateNamespace, \
      FALSE) \
  X(BOOL, ConvertStringSecurityDescriptorToSecurityDescriptorA, (LPCSTR text, DWORD revision, PSECURITY_DESCRIPTOR* \
      descriptor, PULONG size), (text, revision, descriptor, size), \
      real::ConvertStringSecurityDescriptorToSecurityDescriptorA, FALSE) \
  X(BOOL, CreatePipe, (PHANDLE readEnd, PHANDLE writeEnd, LPSECURITY_ATTRIBUTES attributes, DWORD size), (readEnd, \
      writeEnd, attributes, size), ::CreatePipe, FALSE) \
  X(BOOL, SetHandleInformation, (HANDLE handle, DWORD mask, DWORD flags), (handle, mask, flags), \
      ::SetHandleInformation, FALSE) \
  /* Files and folders */ \
  X(HANDLE, CreateFileA, (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD \
      disposition, DWORD flags, HANDLE templateFile), (path, access, share, attributes, disposition, flags, \
      templateFile), ::CreateFileA, INVALID_HANDLE_VALUE) \
  X(BOOL, ReadFile, (HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped), (file, \
      buffer, size, read, overlapped), ::ReadFile, FALSE) \
  X(BOOL, WriteFile, (HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped), (file, \
      buffer, size, written, overlapped), ::WriteFile, FALSE) \
  X(DWORD, GetFileType, (HANDLE file), (file), ::GetFileType, FILE_TYPE_UNKNOWN) \
  X(DWORD, GetLongPathNameA, (LPCSTR path, LPSTR longPath, DWORD size), (path, longPath, size), ::GetLongPathNameA, 0) \
  X(BOOL, GetFileSizeEx, (HANDLE file, PLARGE_INTEGER size), (file, size), ::GetFileSizeEx, FALSE) \
  X(HANDLE, ReOpenFile, (HANDLE file, DWORD access, DWORD share, DWORD flags), (file, access, share, flags), \
      real::ReOpenFile, INVALID_HANDLE_VALUE) \
  X(DWORD, GetFinalPathNameByHandleA, (HANDLE file, LPSTR path, DWORD size, DWORD flags), (file, path, size, \
      flags), real::GetFinalPathNameByHandleA, 0) \
  X(BOOL, GetFileInformationByHandle, (HANDLE file, LPBY_HANDLE_FILE_INFORMATION info), (file, info), \
      ::GetFileInformationByHandle, FALSE) \
  X(BOOL, SetFileInformationByHandle, (HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size), \
      (file, kind, info, size), real::SetFileInformationByHandle, FALSE) \
  X(BOOL, SetFileAttributesA, (LPCSTR path, DWORD attributes), (path, attributes), ::SetFileAttributesA, FALSE) \
  X(BOOL, DeleteFileA, (LPCSTR path), (path), ::DeleteFileA, FALSE) \
  X(BOOL, MoveFileExA, (LPCSTR source, LPCSTR target, DWORD flags), (source, target, flags), ::MoveFileExA, FALSE) \
  X(HANDLE, FindFirstFileA, (LPCSTR pattern, LPWIN32_FIND_DATAA found), (pattern, found), ::FindFirstFileA, \
      INVALID_HANDLE_VALUE) \
  X(BOOL, FindNextFileA, (HANDLE search, LPWIN32_FIND_DATAA found), (search, found), ::FindNextFileA, FALSE) \
  X(BOOL, FindClose, (HANDLE search), (search), ::FindClose, FALSE) \
  X(UINT, GetDriveTypeA, (LPCSTR root), (root), ::GetDriveTypeA, DRIVE_UNKNOWN) \
  X(BOOL, OpenProcessToken, (HANDLE process, DWORD access, PHANDLE token), (process, access, token), \
      real::OpenProcessToken, FALSE) \
  X(BOOL, GetTokenInformation, (HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size, PDWORD \
      needed), (token, kind, info, size, needed), real::GetTokenInformation, FALSE) \
  X(BOOL, IsWellKnownSid, (PSID sid, WELL_KNOWN_SID_TYPE type), (sid, type), real::IsWellKnownSid, FALSE) \
  X(BOOL, GetUserProfileDirectoryW, (HANDLE token, LPWSTR path, LPDWORD size), (token, path, size), \
      real::GetUserProfileDirectoryW, FALSE) \
  X(BOOL, SHGetSpecialFolderPathA, (HWND owner, LPSTR path, int csidl, BOOL create), (owner, path, csidl, \
      create), real::SHGetSpecialFolderPathA, FALSE) \
  X(int, SHCreateDirectoryExA, (HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes), (owner, path, \
      attributes), real::SHCreateDirectoryExA, ERROR_ACCESS_DENIED) \
  /* Registry. A failed open or create leaves the output key null. */ \
  X(LONG, RegCreateKeyExA, (HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM \
      access, LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition), (key, subKey, reserved, \
      className, options, access, attributes, result, disposition), real::RegCreateKeyExA, ERROR_ACCESS_DENIED) \
  X(LONG, RegOpenKeyExA, (HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result), (key, subKey, \
      options, access, result), real::RegOpenKeyExA, ERROR_ACCESS_DENIED) \
  X(LONG, RegSetValueExA, (HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size), \
      (key, name, reserved, type, data, size), real::RegSetValueExA, ERROR_ACCESS_DENIED) \
  X(LONG, RegQueryValueExA, (HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size), \
      (key, name, reserved, type, data, size), real::RegQueryValueExA, ERROR_ACCESS_DENIED) \
  X(LONG, RegDeleteKeyA, (HKEY key, LPCSTR subKey), (key, subKey), real::RegDeleteKeyA, ERROR_ACCESS_DENIED) \
  X(LONG, RegCloseKey, (HKEY key), (key), real::RegCloseKey, ERROR_ACCESS_DENIED) \
  /* Embedded items */ \
  X(HRSRC, FindResourceA, (HMODULE module, LPCSTR name, LPCSTR type), (module, name, type), ::FindResourceA, \
      nullptr) \
  X(HGLOBAL, LoadResource, (HMODULE module, HRSRC item), (module, item), ::LoadResource, nullptr) \
  X(LPVOID, LockResource, (HGLOBAL loaded), (loaded), ::LockResource, nullptr) \
  X(DWORD, SizeofResource, (HMODULE module, HRSRC item), (module, item), ::SizeofResource, 0) \
  /* Time */ \
  X(void, GetSystemTime, (LPSYSTEMTIME time), (time), ::GetSystemTime, never) \
  X(BOOL, SystemTimeToTzSpecificLocalTime, (const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal, \
      LPSYSTEMTIME local), (zone, universal, local), ::SystemTimeToTzSpecificLocalTime, FALSE) \
  /* Text, trace and user */ \
  X(BOOL, IsDBCSLeadByte, (BYTE c), (c), ::IsDBCSLeadByte, never) \
  X(UINT, GetACP, (), (), ::GetACP, never) \
  X(int, MultiByteToWideChar, (UINT codePage, DWORD flags, LPCCH text, int size, LPWSTR wide, int wideSize), \
      (codePage, flags, text, size, wide, wideSize), ::MultiByteToWideChar, 0) \
  X(int, WideCharToMultiByte, (UINT codePage, DWORD flags, LPCWCH wide, int wideSize, LPSTR text, int size, \
      LPCCH fallback, LPBOOL fellBack), (codePage, flags, wide, wideSize, text, size, fallback, fellBack), \
      ::WideCharToMultiByte, 0) \
  X(int, GetLocaleInfoA, (LCID locale, LCTYPE type, LPSTR data, int size), (locale, type, data, size), \
      ::GetLocaleInfoA, 0) \
  X(DWORD, FormatMessageA, (DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD \
      size, va_list* arguments), (flags, source, messageId, languageId, buffer, size, arguments), \
      ::FormatMessageA, 0) \
  X(HLOCAL, LocalFree, (HLOCAL memory), (memory), ::LocalFree, memory) \
  X(void, OutputDebugStringA, (LPCSTR line), (line), ::OutputDebugStringA, never) \
  X(HWINSTA, GetProcessWindowStation, (), (), real::GetProcessWindowStation, nullptr) \
  X(BOOL, GetUserObjectInformationA, (HANDLE object, int kind, PVOID info, DWORD size, LPDWORD needed), (object, \
      kind, info, size, needed), real::GetUserObjectInformationA, FALSE) \
  X(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR caption, UINT type), (owner, text, caption, type), \
      real::MessageBoxA, 0)


// What is found at run time, and in which library.
#define GLOW_RUN_TIME_FUNCTIONS(X)                                                                          \
  X(kAdvapi32, RegCreateKeyExA) X(kAdvapi32, RegOpenKeyExA) X(kAdvapi32, RegSetValueExA)                    \
  X(kAdvapi32, RegQueryValueExA) X(kAdvapi32, RegDeleteKeyA) X(kAdvapi32, RegCloseKey)                      \
  X(kShell32, SHGetSpecialFolderPathA) X(kShell32, SHCreateDirectoryExA) X(kUser32, MessageBoxA)           \
  X(kKernel32, ReOpenFile) X(kKernel32, GetFinalPathNameByHandleA) X(kKernel32, SetFileInformationByHandle) \
  X(kKernel32, QueryFullProcessImageNameA) X(kAdvapi32, OpenProcessToken)                                   \
  X(kUserenv, GetUserProfileDirectoryW) X(kAdvapi32, GetTokenInformation) X(kAdvapi32, IsWellKnownSid)       \
  X(kUser32, GetProcessWindowStation) X(kUser32, GetUserObjectInformationA) X(kAdvapi32, GetSecurityInfo)     \
  X(kAdvapi32, ConvertStringSecurityDescriptorToSecurityDescriptorA) X(kKernel32, CreateBoundaryDescriptorW) \
  X(kKernel32, AddSIDToBoundaryDescriptor) X(kKernel32, DeleteBoundaryDescriptor)                           \
  X(kKernel32, CreatePrivateNamespaceW) X(kKernel32, OpenPrivateNamespaceW) X(kKernel32, ClosePrivateNamespace)

namespace glow {

class Os {
 public:
  virtual ~Os() = default;
#define GLOW_OS_VIRTUAL(result, name, parameters, arguments, call, failed) virtual result name parameters = 0;
  GLOW_OS_OPERATIONS(GLOW_OS_VIRTUAL)
#undef GLOW_OS_VIRTUAL
};

void SetSys(Os* os);  // a test's operations in place of the real ones; null: the real ones again

// For tests: loads the system libraries with other names standing in for the three, so that one can go
// missing; LoadSystemLibraries() puts the real ones back.
BOOL LoadSystemLibrariesNamed(const char* advapi32, const char* shell32, const char* user32);

// The system's ANSI code page lead-byte test, through the seam.
bool SystemLeadByte(unsigned char c);
// Text in the process's code page decoded to UTF-16, through the seam; false when it does not decode exactly.
bool SystemWide(const char* text, char16_t* wide, size_t capacity);

namespace real {

#define GLOW_INDEX(library, name) k##name,
enum RunTimeFunction { GLOW_RUN_TIME_FUNCTIONS(GLOW_INDEX) kRunTimeFunctionCount };
#undef GLOW_INDEX
extern FARPROC g_functions[kRunTimeFunctionCount];

// A function the system lacks fails like a failed call of it.
template <typename T>
T Missing(T failed) {
  ::SetLastError(ERROR_PROC_NOT_FOUND);
  return failed;
}

// Whether LoadSystemLibraries found the function (a RunTimeFunction).
inline BOOL WINAPI HasSystemFunction(int function) { return g_functions[function] != nullptr; }

inline BOOL WINAPI LoadSystemLibraries() { return LoadSystemLibrariesNamed("advapi32.dll", "shell32.dll", "user32.dll"); }

inline BOOL WINAPI CallIsWow64Process(FARPROC function, HANDLE process, PBOOL wow64) {
  typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
  return reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(function))(process, wow64);
}

inline BOOL WINAPI CallWow64EnableWow64FsRedirection(FARPROC function, BOOL enable) {
  typedef BOOLEAN(WINAPI * EnableRedirectionFn)(BOOLEAN);
  return reinterpret_cast<EnableRedirectionFn>(reinterpret_cast<void*>(function))(enable ? TRUE : FALSE) ? TRUE
                                                                                                         : FALSE;
}

// A failed start leaves nothing for the owner to close.
__attribute__((noinline)) inline BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine,
                                                     LPSECURITY_ATTRIBUTES processAttributes,
                                                     LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                                     DWORD flags, LPVOID environment, LPCSTR currentFolder,
                                                     LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
  const BOOL started = ::CreateProcessA(application, commandLine, processAttributes, threadAttributes,
                                        inheritHandles, flags, environment, currentFolder, startup, info);
  if (!started) {
    const DWORD error = ::GetLastError();
    ZeroMemory(info, sizeof *info);
    ::SetLastError(error);
  }
  return started;
}

// A function found at run time, or a failed call when the system lacks it.
#define GLOW_FOUND(result, name, parameters, arguments, missing)                             \
  __attribute__((noinline)) inline result WINAPI name parameters {                           \
    const auto function = reinterpret_cast<decltype(&::name)>(                               \
        reinterpret_cast<void*>(g_functions[k##name]));                                      \
    return function ? function arguments : Missing<result>(missing);                         \
  }
GLOW_FOUND(BOOL, QueryFullProcessImageNameA, (HANDLE process, DWORD flags, LPSTR name, PDWORD size),
           (process, flags, name, size), FALSE)
GLOW_FOUND(HANDLE, ReOpenFile, (HANDLE file, DWORD access, DWORD share, DWORD flags), (file, access, share, flags),
           INVALID_HANDLE_VALUE)
GLOW_FOUND(DWORD, GetFinalPathNameByHandleA, (HANDLE file, LPSTR path, DWORD size, DWORD flags),
           (file, path, size, flags), 0)
GLOW_FOUND(BOOL, SetFileInformationByHandle, (HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size),
           (file, kind, info, size), FALSE)
GLOW_FOUND(BOOL, SHGetSpecialFolderPathA, (HWND owner, LPSTR path, int csidl, BOOL create),
           (owner, path, csidl, create), FALSE)
GLOW_FOUND(int, SHCreateDirectoryExA, (HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes),
           (owner, path, attributes), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(LONG, RegSetValueExA, (HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size),
           (key, name, reserved, type, data, size), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(LONG, RegQueryValueExA,
           (HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size),
           (key, name, reserved, type, data, size), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(LONG, RegDeleteKeyA, (HKEY key, LPCSTR subKey), (key, subKey), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(LONG, RegCloseKey, (HKEY key), (key), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(BOOL, OpenProcessToken, (HANDLE process, DWORD access, PHANDLE token), (process, access, token), FALSE)
GLOW_FOUND(BOOL, GetUserProfileDirectoryW, (HANDLE token, LPWSTR path, LPDWORD size), (token, path, size), FALSE)
GLOW_FOUND(BOOL, GetTokenInformation, (HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size,
           PDWORD needed), (token, kind, info, size, needed), FALSE)
GLOW_FOUND(BOOL, IsWellKnownSid, (PSID sid, WELL_KNOWN_SID_TYPE type), (sid, type), FALSE)
GLOW_FOUND(DWORD, GetSecurityInfo, (HANDLE object, SE_OBJECT_TYPE kind, SECURITY_INFORMATION parts, PSID* owner,
           PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor), (object, kind, parts, owner, group,
           dacl, sacl, descriptor), ERROR_PROC_NOT_FOUND)
GLOW_FOUND(HANDLE, CreateBoundaryDescriptorW, (LPCWSTR name, ULONG flags), (name, flags), nullptr)
GLOW_FOUND(BOOL, AddSIDToBoundaryDescriptor, (HANDLE* boundary, PSID sid), (boundary, sid), FALSE)
GLOW_FOUND(HANDLE, CreatePrivateNamespaceW, (LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR prefix),
           (attributes, boundary, prefix), nullptr)
GLOW_FOUND(HANDLE, OpenPrivateNamespaceW, (LPVOID boundary, LPCWSTR prefix), (boundary, prefix), nullptr)
GLOW_FOUND(BOOLEAN, ClosePrivateNamespace, (HANDLE space, ULONG flags), (space, flags), FALSE)
__attribute__((noinline)) inline void WINAPI DeleteBoundaryDescriptor(HANDLE boundary) {
  const auto function = reinterpret_cast<decltype(&::DeleteBoundaryDescriptor)>(
      reinterpret_cast<void*>(g_functions[kDeleteBoundaryDescriptor]));
  if (function) function(boundary);
}
GLOW_FOUND(BOOL, ConvertStringSecurityDescriptorToSecurityDescriptorA, (LPCSTR text, DWORD revision,
           PSECURITY_DESCRIPTOR* descriptor, PULONG size), (text, revision, descriptor, size), FALSE)
GLOW_FOUND(HWINSTA, GetProcessWindowStation, (), (), nullptr)
GLOW_FOUND(BOOL, GetUserObjectInformationA, (HANDLE object, int kind, PVOID info, DWORD size, LPDWORD needed),
           (object, kind, info, size, needed), FALSE)
GLOW_FOUND(int, MessageBoxA, (HWND owner, LPCSTR text, LPCSTR caption, UINT type), (owner, text, caption, type), 0)
#undef GLOW_FOUND

// The platform does not promise an empty output key after a failed open or create; the owners rely on it.
__attribute__((noinline)) inline LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className,
                                                      DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes,
                                                      PHKEY result, LPDWORD disposition) {
  const auto function = reinterpret_cast<decltype(&::RegCreateKeyExA)>(reinterpret_cast<void*>(g_functions[kRegCreateKeyExA]));
  const LONG status = function ? function(key, subKey, reserved, className, options, access, attributes, result,
                                          disposition)
                               : Missing<LONG>(ERROR_PROC_NOT_FOUND);
  if (status != ERROR_SUCCESS) *result = nullptr;
  return status;
}

__attribute__((noinline)) inline LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                                    PHKEY result) {
  const auto function = reinterpret_cast<decltype(&::RegOpenKeyExA)>(reinterpret_cast<void*>(g_functions[kRegOpenKeyExA]));
  const LONG status = function ? function(key, subKey, options, access, result) : Missing<LONG>(ERROR_PROC_NOT_FOUND);
  if (status != ERROR_SUCCESS) *result = nullptr;
  return status;
}

}  // namespace real

// The real operations, for a test's Os to delegate to.
class RealOs : public Os {
 public:
#define GLOW_OS_REAL(result, name, parameters, arguments, call, failed) \
  result name parameters override { return call arguments; }
  GLOW_OS_OPERATIONS(GLOW_OS_REAL)
#undef GLOW_OS_REAL
};

// One pointer per operation, at the system's function unless a test has put its own in place.
namespace seam {
#define GLOW_OS_POINTER(result, name, parameters, arguments, call, failed) inline result(WINAPI* name) parameters = call;
GLOW_OS_OPERATIONS(GLOW_OS_POINTER)
#undef GLOW_OS_POINTER
}  // namespace seam

// What product code calls.
class Seam {
 public:
#define GLOW_OS_SEAM(result, name, parameters, arguments, call, failed) \
  static result name parameters { return seam::name arguments; }
  GLOW_OS_OPERATIONS(GLOW_OS_SEAM)
#undef GLOW_OS_SEAM
};

inline Seam Sys() { return Seam(); }

}  // namespace glow
