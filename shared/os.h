#pragma once
// The programs' one seam to the operating system: one method per Win32 operation they use.
// Product code calls Sys(); tests install a mock that delegates to the real one and fails single calls.
// The programs import only kernel32 and the C runtime; everything else is found at run time by the real
// implementation, and a function it could not find fails like a failed call, with ERROR_PROC_NOT_FOUND.
#include <windows.h>

namespace glow {

class Os {
 public:
  virtual ~Os() = default;

  // Start-up: narrows the DLL search to the system folder, then loads advapi32, shell32 and user32 from
  // it and looks up every function that some systems lack. Runs first, while WOW64 redirection is still
  // on (with it off, loading from the system folder fails on 64-bit Windows). False when anything is missing.
  virtual BOOL LoadSystemLibraries() = 0;

  // Process, module and command line
  virtual LPSTR GetCommandLineA() = 0;
  virtual DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) = 0;
  virtual HMODULE GetModuleHandleA(LPCSTR name) = 0;
  virtual FARPROC GetProcAddress(HMODULE module, LPCSTR name) = 0;
  virtual HANDLE GetCurrentProcess() = 0;
  // The two WOW64 functions are looked up at run time; these call what the lookup returned.
  virtual BOOL CallIsWow64Process(FARPROC function, HANDLE process, PBOOL wow64) = 0;
  virtual BOOL CallWow64EnableWow64FsRedirection(FARPROC function, BOOL enable) = 0;
  virtual BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                              LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                              LPVOID environment, LPCSTR currentFolder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION info) = 0;
  virtual DWORD ResumeThread(HANDLE thread) = 0;
  virtual BOOL TerminateProcess(HANDLE process, UINT exitCode) = 0;
  virtual BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR name, PDWORD size) = 0;  // Vista
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual DWORD GetTickCount() = 0;

  // Handles and mutexes
  virtual HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;

  // Files and folders
  virtual HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                             DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
  virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) = 0;
  virtual BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) = 0;
  virtual BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) = 0;
  virtual HANDLE ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags) = 0;                 // Vista
  virtual DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD flags) = 0;       // Vista
  virtual BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) = 0;
  virtual BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                          DWORD size) = 0;                                             // Vista
  virtual DWORD GetFileAttributesA(LPCSTR path) = 0;
  virtual BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL failIfExists) = 0;
  virtual BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) = 0;
  virtual BOOL DeleteFileA(LPCSTR path) = 0;
  virtual BOOL MoveFileExA(LPCSTR source, LPCSTR target, DWORD flags) = 0;
  virtual HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) = 0;
  virtual BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found) = 0;
  virtual BOOL FindClose(HANDLE search) = 0;
  virtual BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) = 0;
  virtual int SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) = 0;

  // Registry. A failed open or create leaves the output key null.
  virtual LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                               REGSAM access, LPSECURITY_ATTRIBUTES attributes, PHKEY result,
                               LPDWORD disposition) = 0;
  virtual LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) = 0;
  virtual LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size) = 0;
  virtual LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) = 0;
  virtual LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;

  // Settings file
  virtual DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR value, DWORD size,
                                         LPCSTR path) = 0;

  // Embedded items
  virtual HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) = 0;
  virtual HGLOBAL LoadResource(HMODULE module, HRSRC item) = 0;
  virtual LPVOID LockResource(HGLOBAL loaded) = 0;
  virtual DWORD SizeofResource(HMODULE module, HRSRC item) = 0;

  // Time
  virtual void GetSystemTime(LPSYSTEMTIME time) = 0;
  virtual BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                               LPSYSTEMTIME local) = 0;

  // Text, trace and user
  virtual BOOL IsDBCSLeadByte(BYTE c) = 0;
  virtual DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                               DWORD size, va_list* arguments) = 0;
  virtual HLOCAL LocalFree(HLOCAL memory) = 0;
  virtual void OutputDebugStringA(LPCSTR line) = 0;
  virtual int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = 0;
};

// How many functions the real operations find at run time.
constexpr int kRunTimeFunctionCount = 13;

// The real operations.
class RealOs : public Os {
 public:
  BOOL LoadSystemLibraries() override;
  // The same with other libraries standing in for the three, so that tests can make one go missing.
  BOOL LoadSystemLibraries(const char* advapi32, const char* shell32, const char* user32);

  LPSTR GetCommandLineA() override;
  DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) override;
  HMODULE GetModuleHandleA(LPCSTR name) override;
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override;
  HANDLE GetCurrentProcess() override;
  BOOL CallIsWow64Process(FARPROC function, HANDLE process, PBOOL wow64) override;
  BOOL CallWow64EnableWow64FsRedirection(FARPROC function, BOOL enable) override;
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) override;
  DWORD ResumeThread(HANDLE thread) override;
  BOOL TerminateProcess(HANDLE process, UINT exitCode) override;
  BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR name, PDWORD size) override;
  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override;
  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) override;
  BOOL CloseHandle(HANDLE handle) override;
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD disposition,
                     DWORD flags, HANDLE templateFile) override;
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override;
  BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) override;
  BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) override;
  HANDLE ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags) override;
  DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD flags) override;
  BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) override;
  BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) override;
  DWORD GetFileAttributesA(LPCSTR path) override;
  BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL failIfExists) override;
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override;
  BOOL DeleteFileA(LPCSTR path) override;
  BOOL MoveFileExA(LPCSTR source, LPCSTR target, DWORD flags) override;
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) override;
  BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found) override;
  BOOL FindClose(HANDLE search) override;
  BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) override;
  int SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) override;
  LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                       LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) override;
  LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override;
  LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) override;
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD size) override;
  LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) override;
  LONG RegCloseKey(HKEY key) override;
  DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR value, DWORD size,
                                 LPCSTR path) override;
  HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) override;
  HGLOBAL LoadResource(HMODULE module, HRSRC item) override;
  LPVOID LockResource(HGLOBAL loaded) override;
  DWORD SizeofResource(HMODULE module, HRSRC item) override;
  void GetSystemTime(LPSYSTEMTIME time) override;
  BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                       LPSYSTEMTIME local) override;
  BOOL IsDBCSLeadByte(BYTE c) override;
  DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                       va_list* arguments) override;
  HLOCAL LocalFree(HLOCAL memory) override;
  void OutputDebugStringA(LPCSTR line) override;
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;

 private:
  template <typename Function>
  Function Find(int index) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(functions_[index]));
  }
  FARPROC functions_[kRunTimeFunctionCount] = {};
};

// The seam in force: the real operations unless a test installed its own.
Os& Sys();
void SetSys(Os* os);  // null restores the real operations

// The system's ANSI code page lead-byte test, through the seam.
bool SystemLeadByte(unsigned char c);

}  // namespace glow
