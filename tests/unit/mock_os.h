#pragma once
// The seam as a GoogleMock: every call goes to the real operation unless a test says otherwise, so one
// test can fail exactly one call while Wine does everything else.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "os.h"

namespace glow {

class MockOs : public Os {
 public:
  MockOs() {
    real_.LoadSystemLibraries();
    ON_CALL(*this, LoadSystemLibraries).WillByDefault([this]() { return real_.LoadSystemLibraries(); });
    ON_CALL(*this, ResumeThread).WillByDefault([this](HANDLE thread) { return real_.ResumeThread(thread); });
    ON_CALL(*this, TerminateProcess).WillByDefault([this](HANDLE process, UINT code) { return real_.TerminateProcess(process, code); });
    ON_CALL(*this, QueryFullProcessImageNameA).WillByDefault([this](HANDLE process, DWORD flags, LPSTR name, PDWORD size) { return real_.QueryFullProcessImageNameA(process, flags, name, size); });
    ON_CALL(*this, ReOpenFile).WillByDefault([this](HANDLE file, DWORD access, DWORD share, DWORD flags) { return real_.ReOpenFile(file, access, share, flags); });
    ON_CALL(*this, GetFinalPathNameByHandleA).WillByDefault([this](HANDLE file, LPSTR path, DWORD size, DWORD flags) { return real_.GetFinalPathNameByHandleA(file, path, size, flags); });
    ON_CALL(*this, GetFileInformationByHandle).WillByDefault([this](HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) { return real_.GetFileInformationByHandle(file, info); });
    ON_CALL(*this, SetFileInformationByHandle).WillByDefault([this](HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) { return real_.SetFileInformationByHandle(file, kind, info, size); });
    ON_CALL(*this, GetFileAttributesA).WillByDefault([this](LPCSTR path) { return real_.GetFileAttributesA(path); });
    ON_CALL(*this, MoveFileExA).WillByDefault([this](LPCSTR source, LPCSTR target, DWORD flags) { return real_.MoveFileExA(source, target, flags); });
    ON_CALL(*this, GetCommandLineA).WillByDefault([this]() { return real_.GetCommandLineA(); });
    ON_CALL(*this, GetModuleFileNameA).WillByDefault([this](HMODULE module, LPSTR path, DWORD size) { return real_.GetModuleFileNameA(module, path, size); });
    ON_CALL(*this, GetModuleHandleA).WillByDefault([this](LPCSTR name) { return real_.GetModuleHandleA(name); });
    ON_CALL(*this, GetProcAddress).WillByDefault([this](HMODULE module, LPCSTR name) { return real_.GetProcAddress(module, name); });
    ON_CALL(*this, GetCurrentProcess).WillByDefault([this]() { return real_.GetCurrentProcess(); });
    ON_CALL(*this, CallIsWow64Process).WillByDefault([this](FARPROC function, HANDLE process, PBOOL wow64) { return real_.CallIsWow64Process(function, process, wow64); });
    ON_CALL(*this, CallWow64EnableWow64FsRedirection).WillByDefault([this](FARPROC function, BOOL enable) { return real_.CallWow64EnableWow64FsRedirection(function, enable); });
    ON_CALL(*this, CreateProcessA).WillByDefault([this](LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment, LPCSTR currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) { return real_.CreateProcessA(application, commandLine, processAttributes, threadAttributes, inheritHandles, flags, environment, currentFolder, startup, info); });
    ON_CALL(*this, CreateMutexA).WillByDefault([this](LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) { return real_.CreateMutexA(attributes, initialOwner, name); });
    ON_CALL(*this, CloseHandle).WillByDefault([this](HANDLE handle) { return real_.CloseHandle(handle); });
    ON_CALL(*this, CreateFileA).WillByDefault([this](LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags, HANDLE templateFile) { return real_.CreateFileA(path, access, share, attributes, disposition, flags, templateFile); });
    ON_CALL(*this, ReadFile).WillByDefault([this](HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) { return real_.ReadFile(file, buffer, size, read, overlapped); });
    ON_CALL(*this, WriteFile).WillByDefault([this](HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) { return real_.WriteFile(file, buffer, size, written, overlapped); });
    ON_CALL(*this, GetFileSizeEx).WillByDefault([this](HANDLE file, PLARGE_INTEGER size) { return real_.GetFileSizeEx(file, size); });
    ON_CALL(*this, CopyFileA).WillByDefault([this](LPCSTR source, LPCSTR target, BOOL failIfExists) { return real_.CopyFileA(source, target, failIfExists); });
    ON_CALL(*this, SetFileAttributesA).WillByDefault([this](LPCSTR path, DWORD attributes) { return real_.SetFileAttributesA(path, attributes); });
    ON_CALL(*this, DeleteFileA).WillByDefault([this](LPCSTR path) { return real_.DeleteFileA(path); });
    ON_CALL(*this, FindFirstFileA).WillByDefault([this](LPCSTR pattern, LPWIN32_FIND_DATAA found) { return real_.FindFirstFileA(pattern, found); });
    ON_CALL(*this, FindNextFileA).WillByDefault([this](HANDLE search, LPWIN32_FIND_DATAA found) { return real_.FindNextFileA(search, found); });
    ON_CALL(*this, FindClose).WillByDefault([this](HANDLE search) { return real_.FindClose(search); });
    ON_CALL(*this, SHGetSpecialFolderPathA).WillByDefault([this](HWND owner, LPSTR path, int csidl, BOOL create) { return real_.SHGetSpecialFolderPathA(owner, path, csidl, create); });
    ON_CALL(*this, SHCreateDirectoryExA).WillByDefault([this](HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) { return real_.SHCreateDirectoryExA(owner, path, attributes); });
    ON_CALL(*this, RegCreateKeyExA).WillByDefault([this](HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) { return real_.RegCreateKeyExA(key, subKey, reserved, className, options, access, attributes, result, disposition); });
    ON_CALL(*this, RegOpenKeyExA).WillByDefault([this](HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) { return real_.RegOpenKeyExA(key, subKey, options, access, result); });
    ON_CALL(*this, RegSetValueExA).WillByDefault([this](HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) { return real_.RegSetValueExA(key, name, reserved, type, data, size); });
    ON_CALL(*this, RegQueryValueExA).WillByDefault([this](HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) { return real_.RegQueryValueExA(key, name, reserved, type, data, size); });
    ON_CALL(*this, RegDeleteKeyA).WillByDefault([this](HKEY key, LPCSTR subKey) { return real_.RegDeleteKeyA(key, subKey); });
    ON_CALL(*this, RegCloseKey).WillByDefault([this](HKEY key) { return real_.RegCloseKey(key); });
    ON_CALL(*this, GetPrivateProfileStringA).WillByDefault([this](LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR value, DWORD size, LPCSTR path) { return real_.GetPrivateProfileStringA(section, key, fallback, value, size, path); });
    ON_CALL(*this, FindResourceA).WillByDefault([this](HMODULE module, LPCSTR name, LPCSTR type) { return real_.FindResourceA(module, name, type); });
    ON_CALL(*this, LoadResource).WillByDefault([this](HMODULE module, HRSRC item) { return real_.LoadResource(module, item); });
    ON_CALL(*this, LockResource).WillByDefault([this](HGLOBAL loaded) { return real_.LockResource(loaded); });
    ON_CALL(*this, SizeofResource).WillByDefault([this](HMODULE module, HRSRC item) { return real_.SizeofResource(module, item); });
    ON_CALL(*this, GetSystemTime).WillByDefault([this](LPSYSTEMTIME time) { return real_.GetSystemTime(time); });
    ON_CALL(*this, SystemTimeToTzSpecificLocalTime).WillByDefault([this](const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal, LPSYSTEMTIME local) { return real_.SystemTimeToTzSpecificLocalTime(zone, universal, local); });
    ON_CALL(*this, IsDBCSLeadByte).WillByDefault([this](BYTE c) { return real_.IsDBCSLeadByte(c); });
    ON_CALL(*this, FormatMessageA).WillByDefault([this](DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size, va_list* arguments) { return real_.FormatMessageA(flags, source, messageId, languageId, buffer, size, arguments); });
    ON_CALL(*this, LocalFree).WillByDefault([this](HLOCAL memory) { return real_.LocalFree(memory); });
    // Trace lines are kept for the tests and still reach the debugger channel.
    ON_CALL(*this, OutputDebugStringA).WillByDefault([this](LPCSTR line) {
      lines.push_back(line);
      real_.OutputDebugStringA(line);
    });
    // No window may wait for a click in a test run.
    ON_CALL(*this, MessageBoxA).WillByDefault([this](HWND, LPCSTR text, LPCSTR caption, UINT type) {
      boxes.push_back(std::string(caption) + ": " + text);
      boxTypes.push_back(type);
      return IDOK;
    });
    // Waits cost nothing in tests; they are counted, and the clock moves on by what they would have taken.
    ON_CALL(*this, Sleep).WillByDefault([this](DWORD milliseconds) {
      ++sleeps;
      slept += milliseconds;
    });
    ON_CALL(*this, GetTickCount).WillByDefault([this]() { return real_.GetTickCount() + slept; });
  }

  MOCK_METHOD(BOOL, LoadSystemLibraries, (), (override));
  MOCK_METHOD(DWORD, ResumeThread, (HANDLE), (override));
  MOCK_METHOD(BOOL, TerminateProcess, (HANDLE, UINT), (override));
  MOCK_METHOD(BOOL, QueryFullProcessImageNameA, (HANDLE, DWORD, LPSTR, PDWORD), (override));
  MOCK_METHOD(DWORD, GetTickCount, (), (override));
  MOCK_METHOD(HANDLE, ReOpenFile, (HANDLE, DWORD, DWORD, DWORD), (override));
  MOCK_METHOD(DWORD, GetFinalPathNameByHandleA, (HANDLE, LPSTR, DWORD, DWORD), (override));
  MOCK_METHOD(BOOL, GetFileInformationByHandle, (HANDLE, LPBY_HANDLE_FILE_INFORMATION), (override));
  MOCK_METHOD(BOOL, SetFileInformationByHandle, (HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD), (override));
  MOCK_METHOD(DWORD, GetFileAttributesA, (LPCSTR), (override));
  MOCK_METHOD(BOOL, MoveFileExA, (LPCSTR, LPCSTR, DWORD), (override));
  MOCK_METHOD(LPSTR, GetCommandLineA, (), (override));
  MOCK_METHOD(DWORD, GetModuleFileNameA, (HMODULE, LPSTR, DWORD), (override));
  MOCK_METHOD(HMODULE, GetModuleHandleA, (LPCSTR), (override));
  MOCK_METHOD(FARPROC, GetProcAddress, (HMODULE, LPCSTR), (override));
  MOCK_METHOD(HANDLE, GetCurrentProcess, (), (override));
  MOCK_METHOD(BOOL, CallIsWow64Process, (FARPROC, HANDLE, PBOOL), (override));
  MOCK_METHOD(BOOL, CallWow64EnableWow64FsRedirection, (FARPROC, BOOL), (override));
  MOCK_METHOD(BOOL, CreateProcessA, (LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION), (override));
  MOCK_METHOD(void, Sleep, (DWORD), (override));
  MOCK_METHOD(HANDLE, CreateMutexA, (LPSECURITY_ATTRIBUTES, BOOL, LPCSTR), (override));
  MOCK_METHOD(BOOL, CloseHandle, (HANDLE), (override));
  MOCK_METHOD(HANDLE, CreateFileA, (LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE), (override));
  MOCK_METHOD(BOOL, ReadFile, (HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED), (override));
  MOCK_METHOD(BOOL, WriteFile, (HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED), (override));
  MOCK_METHOD(BOOL, GetFileSizeEx, (HANDLE, PLARGE_INTEGER), (override));
  MOCK_METHOD(BOOL, CopyFileA, (LPCSTR, LPCSTR, BOOL), (override));
  MOCK_METHOD(BOOL, SetFileAttributesA, (LPCSTR, DWORD), (override));
  MOCK_METHOD(BOOL, DeleteFileA, (LPCSTR), (override));
  MOCK_METHOD(HANDLE, FindFirstFileA, (LPCSTR, LPWIN32_FIND_DATAA), (override));
  MOCK_METHOD(BOOL, FindNextFileA, (HANDLE, LPWIN32_FIND_DATAA), (override));
  MOCK_METHOD(BOOL, FindClose, (HANDLE), (override));
  MOCK_METHOD(BOOL, SHGetSpecialFolderPathA, (HWND, LPSTR, int, BOOL), (override));
  MOCK_METHOD(int, SHCreateDirectoryExA, (HWND, LPCSTR, const SECURITY_ATTRIBUTES*), (override));
  MOCK_METHOD(LONG, RegCreateKeyExA, (HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD), (override));
  MOCK_METHOD(LONG, RegOpenKeyExA, (HKEY, LPCSTR, DWORD, REGSAM, PHKEY), (override));
  MOCK_METHOD(LONG, RegSetValueExA, (HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD), (override));
  MOCK_METHOD(LONG, RegQueryValueExA, (HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD), (override));
  MOCK_METHOD(LONG, RegDeleteKeyA, (HKEY, LPCSTR), (override));
  MOCK_METHOD(LONG, RegCloseKey, (HKEY), (override));
  MOCK_METHOD(DWORD, GetPrivateProfileStringA, (LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD, LPCSTR), (override));
  MOCK_METHOD(HRSRC, FindResourceA, (HMODULE, LPCSTR, LPCSTR), (override));
  MOCK_METHOD(HGLOBAL, LoadResource, (HMODULE, HRSRC), (override));
  MOCK_METHOD(LPVOID, LockResource, (HGLOBAL), (override));
  MOCK_METHOD(DWORD, SizeofResource, (HMODULE, HRSRC), (override));
  MOCK_METHOD(void, GetSystemTime, (LPSYSTEMTIME), (override));
  MOCK_METHOD(BOOL, SystemTimeToTzSpecificLocalTime, (const TIME_ZONE_INFORMATION*, const SYSTEMTIME*, LPSYSTEMTIME), (override));
  MOCK_METHOD(BOOL, IsDBCSLeadByte, (BYTE), (override));
  MOCK_METHOD(DWORD, FormatMessageA, (DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list*), (override));
  MOCK_METHOD(HLOCAL, LocalFree, (HLOCAL), (override));
  MOCK_METHOD(void, OutputDebugStringA, (LPCSTR), (override));
  MOCK_METHOD(int, MessageBoxA, (HWND, LPCSTR, LPCSTR, UINT), (override));

  RealOs& real() { return real_; }

  std::vector<std::string> lines;  // trace lines, in order
  std::vector<std::string> boxes;  // "caption: text" of each message box
  std::vector<UINT> boxTypes;
  int sleeps = 0;
  DWORD slept = 0;  // milliseconds

 private:
  RealOs real_;
};

// A failed call that leaves `error` as the thread's last error, as the real one would.
template <typename R>
auto FailWith(R result, DWORD error) {
  return [=](auto&&...) {
    ::SetLastError(error);
    return result;
  };
}

}  // namespace glow
