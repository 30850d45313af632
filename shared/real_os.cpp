// Thin forwarding to the platform: no logic may live here.
#include "os.h"

#include <shlobj.h>

namespace glow {

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
  return ::CreateProcessA(application, commandLine, processAttributes, threadAttributes, inheritHandles, flags, environment, currentFolder, startup, info);
}

void RealOs::Sleep(DWORD milliseconds) {
  ::Sleep(milliseconds);
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

BOOL RealOs::CopyFileA(LPCSTR source, LPCSTR target, BOOL failIfExists) {
  return ::CopyFileA(source, target, failIfExists);
}

BOOL RealOs::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  return ::SetFileAttributesA(path, attributes);
}

BOOL RealOs::DeleteFileA(LPCSTR path) {
  return ::DeleteFileA(path);
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
  return ::SHGetSpecialFolderPathA(owner, path, csidl, create);
}

int RealOs::SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) {
  return ::SHCreateDirectoryExA(owner, path, attributes);
}

LONG RealOs::RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) {
  return ::RegCreateKeyExA(key, subKey, reserved, className, options, access, attributes, result, disposition);
}

LONG RealOs::RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  return ::RegOpenKeyExA(key, subKey, options, access, result);
}

LONG RealOs::RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  return ::RegSetValueExA(key, name, reserved, type, data, size);
}

LONG RealOs::RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  return ::RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG RealOs::RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  return ::RegDeleteKeyA(key, subKey);
}

LONG RealOs::RegCloseKey(HKEY key) {
  return ::RegCloseKey(key);
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
  return ::MessageBoxA(owner, text, caption, type);
}

namespace {
RealOs g_realOs;
Os* g_os = &g_realOs;
}  // namespace

Os& Sys() { return *g_os; }
void SetSys(Os* os) { g_os = os ? os : &g_realOs; }

bool SystemLeadByte(unsigned char c) { return Sys().IsDBCSLeadByte(c) != FALSE; }

}  // namespace glow
