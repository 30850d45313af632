#pragma once
// The real operations, with the Nth call of the run made to fail (last error ERROR_ACCESS_DENIED) and
// a count of what was opened and not yet released: handles, keys, searches, system texts.
#include <string.h>

#include <string>
#include <vector>

#include "os.h"

namespace glow {

class FaultyOs : public RealOs {
 public:
  int failAt = -1;                  // index of the call to fail; -1: none
  int calls = 0;                    // calls seen so far
  int held = 0;                     // opened and not released
  std::vector<std::string> names;   // the calls, in order
  std::string failed;               // the call that was failed
  std::string ownPath;              // what GetModuleFileNameA reports for the program itself
  std::vector<std::string> boxes;

  DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) override {
    if (Fails("GetModuleFileNameA")) return Failed<DWORD>(0);
    if (module || ownPath.empty()) return RealOs::GetModuleFileNameA(module, path, size);
    if (ownPath.size() >= size) return 0;
    strcpy(path, ownPath.c_str());
    return static_cast<DWORD>(ownPath.size());
  }
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) override {
    if (Fails("CreateProcessA")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::CreateProcessA(application, commandLine, processAttributes, threadAttributes,
                                               inheritHandles, flags, environment, currentFolder, startup, info);
    if (outcome) held += 2;
    return outcome;
  }
  int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) override {
    if (Fails("MessageBoxA")) return Failed<int>(0);
    boxes.push_back(std::string(caption) + ": " + text);
    return IDOK;
  }

  BOOL LoadSystemLibraries() override {
    if (Fails("LoadSystemLibraries")) return Failed<BOOL>(FALSE);
    return RealOs::LoadSystemLibraries();
  }
  DWORD ResumeThread(HANDLE thread) override {
    if (Fails("ResumeThread")) return Failed<DWORD>(static_cast<DWORD>(-1));
    return RealOs::ResumeThread(thread);
  }
  BOOL TerminateProcess(HANDLE process, UINT code) override {
    if (Fails("TerminateProcess")) return Failed<BOOL>(FALSE);
    return RealOs::TerminateProcess(process, code);
  }
  BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR name, PDWORD size) override {
    if (Fails("QueryFullProcessImageNameA")) return Failed<BOOL>(FALSE);
    return RealOs::QueryFullProcessImageNameA(process, flags, name, size);
  }
  HANDLE ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags) override {
    if (Fails("ReOpenFile")) return Failed<HANDLE>(INVALID_HANDLE_VALUE);
    const HANDLE outcome = RealOs::ReOpenFile(file, access, share, flags);
    if (outcome != INVALID_HANDLE_VALUE) ++held;
    return outcome;
  }
  DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD flags) override {
    if (Fails("GetFinalPathNameByHandleA")) return Failed<DWORD>(0);
    return RealOs::GetFinalPathNameByHandleA(file, path, size, flags);
  }
  BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) override {
    if (Fails("GetFileInformationByHandle")) return Failed<BOOL>(FALSE);
    return RealOs::GetFileInformationByHandle(file, info);
  }
  BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) override {
    if (Fails("SetFileInformationByHandle")) return Failed<BOOL>(FALSE);
    return RealOs::SetFileInformationByHandle(file, kind, info, size);
  }
  BOOL MoveFileExA(LPCSTR source, LPCSTR target, DWORD flags) override {
    if (Fails("MoveFileExA")) return Failed<BOOL>(FALSE);
    return RealOs::MoveFileExA(source, target, flags);
  }
  HMODULE GetModuleHandleA(LPCSTR name) override {
    if (Fails("GetModuleHandleA")) return Failed<HMODULE>(nullptr);
    const HMODULE outcome = RealOs::GetModuleHandleA(name);
    return outcome;
  }
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override {
    if (Fails("GetProcAddress")) return Failed<FARPROC>(nullptr);
    const FARPROC outcome = RealOs::GetProcAddress(module, name);
    return outcome;
  }
  BOOL CallIsWow64Process(FARPROC function, HANDLE process, PBOOL wow64) override {
    if (Fails("CallIsWow64Process")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::CallIsWow64Process(function, process, wow64);
    return outcome;
  }
  BOOL CallWow64EnableWow64FsRedirection(FARPROC function, BOOL enable) override {
    if (Fails("CallWow64EnableWow64FsRedirection")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::CallWow64EnableWow64FsRedirection(function, enable);
    return outcome;
  }
  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) override {
    if (Fails("CreateMutexA")) return Failed<HANDLE>(nullptr);
    const HANDLE outcome = RealOs::CreateMutexA(attributes, initialOwner, name);
    if (outcome) ++held;
    return outcome;
  }
  BOOL CreatePipe(PHANDLE readEnd, PHANDLE writeEnd, LPSECURITY_ATTRIBUTES attributes, DWORD size) override {
    if (Fails("CreatePipe")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::CreatePipe(readEnd, writeEnd, attributes, size);
    if (outcome) held += 2;
    return outcome;
  }
  BOOL CloseHandle(HANDLE handle) override {
    // A failed release still released: only the report fails.
    const BOOL outcome = RealOs::CloseHandle(handle);
    if (outcome) --held;
    if (Fails("CloseHandle")) return Failed<BOOL>(FALSE);
    return outcome;
  }
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags, HANDLE templateFile) override {
    if (Fails("CreateFileA")) return Failed<HANDLE>(INVALID_HANDLE_VALUE);
    const HANDLE outcome = RealOs::CreateFileA(path, access, share, attributes, disposition, flags, templateFile);
    if (outcome != INVALID_HANDLE_VALUE) ++held;
    return outcome;
  }
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override {
    if (Fails("ReadFile")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::ReadFile(file, buffer, size, read, overlapped);
    return outcome;
  }
  BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) override {
    if (Fails("WriteFile")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::WriteFile(file, buffer, size, written, overlapped);
    return outcome;
  }
  BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) override {
    if (Fails("GetFileSizeEx")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::GetFileSizeEx(file, size);
    return outcome;
  }
  LONG RtlDecompressBuffer(USHORT format, PUCHAR unpacked, ULONG unpackedSize, PUCHAR packed, ULONG packedSize,
                           PULONG finalSize) override {
    if (Fails("RtlDecompressBuffer")) return Failed<LONG>(static_cast<LONG>(0xC0000242L));  // bad packing
    return RealOs::RtlDecompressBuffer(format, unpacked, unpackedSize, packed, packedSize, finalSize);
  }
  BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override {
    if (Fails("OpenProcessToken")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::OpenProcessToken(process, access, token);
    if (outcome) ++held;
    return outcome;
  }
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override {
    if (Fails("SetFileAttributesA")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::SetFileAttributesA(path, attributes);
    return outcome;
  }
  BOOL DeleteFileA(LPCSTR path) override {
    if (Fails("DeleteFileA")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::DeleteFileA(path);
    return outcome;
  }
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) override {
    if (Fails("FindFirstFileA")) return Failed<HANDLE>(INVALID_HANDLE_VALUE);
    const HANDLE outcome = RealOs::FindFirstFileA(pattern, found);
    if (outcome != INVALID_HANDLE_VALUE) ++held;
    return outcome;
  }
  BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found) override {
    if (Fails("FindNextFileA")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::FindNextFileA(search, found);
    return outcome;
  }
  BOOL FindClose(HANDLE search) override {
    // A failed release still released: only the report fails.
    const BOOL outcome = RealOs::FindClose(search);
    if (outcome) --held;
    if (Fails("FindClose")) return Failed<BOOL>(FALSE);
    return outcome;
  }
  BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) override {
    if (Fails("SHGetSpecialFolderPathA")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::SHGetSpecialFolderPathA(owner, path, csidl, create);
    return outcome;
  }
  int SHCreateDirectoryExA(HWND owner, LPCSTR path, const SECURITY_ATTRIBUTES* attributes) override {
    if (Fails("SHCreateDirectoryExA")) return Failed<int>(ERROR_ACCESS_DENIED);
    const int outcome = RealOs::SHCreateDirectoryExA(owner, path, attributes);
    return outcome;
  }
  LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) override {
    if (Fails("RegCreateKeyExA")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    const LONG outcome = RealOs::RegCreateKeyExA(key, subKey, reserved, className, options, access, attributes, result, disposition);
    if (outcome == ERROR_SUCCESS) ++held;
    return outcome;
  }
  LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override {
    if (Fails("RegOpenKeyExA")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    const LONG outcome = RealOs::RegOpenKeyExA(key, subKey, options, access, result);
    if (outcome == ERROR_SUCCESS) ++held;
    return outcome;
  }
  LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) override {
    if (Fails("RegSetValueExA")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    const LONG outcome = RealOs::RegSetValueExA(key, name, reserved, type, data, size);
    return outcome;
  }
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) override {
    if (Fails("RegQueryValueExA")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    const LONG outcome = RealOs::RegQueryValueExA(key, name, reserved, type, data, size);
    return outcome;
  }
  LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) override {
    if (Fails("RegDeleteKeyA")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    const LONG outcome = RealOs::RegDeleteKeyA(key, subKey);
    return outcome;
  }
  LONG RegCloseKey(HKEY key) override {
    // A failed release still released: only the report fails.
    const LONG outcome = RealOs::RegCloseKey(key);
    if (outcome == ERROR_SUCCESS) --held;
    if (Fails("RegCloseKey")) return Failed<LONG>(ERROR_ACCESS_DENIED);
    return outcome;
  }
  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int size, LPWSTR wide, int wideSize) override {
    if (Fails("MultiByteToWideChar")) return Failed<int>(0);
    return RealOs::MultiByteToWideChar(codePage, flags, text, size, wide, wideSize);
  }
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideSize, LPSTR text, int size, LPCCH fallback,
                          LPBOOL fellBack) override {
    if (Fails("WideCharToMultiByte")) return Failed<int>(0);
    return RealOs::WideCharToMultiByte(codePage, flags, wide, wideSize, text, size, fallback, fellBack);
  }
  HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) override {
    if (Fails("FindResourceA")) return Failed<HRSRC>(nullptr);
    const HRSRC outcome = RealOs::FindResourceA(module, name, type);
    return outcome;
  }
  HGLOBAL LoadResource(HMODULE module, HRSRC item) override {
    if (Fails("LoadResource")) return Failed<HGLOBAL>(nullptr);
    const HGLOBAL outcome = RealOs::LoadResource(module, item);
    return outcome;
  }
  LPVOID LockResource(HGLOBAL loaded) override {
    if (Fails("LockResource")) return Failed<LPVOID>(nullptr);
    const LPVOID outcome = RealOs::LockResource(loaded);
    return outcome;
  }
  DWORD SizeofResource(HMODULE module, HRSRC item) override {
    if (Fails("SizeofResource")) return Failed<DWORD>(0);
    const DWORD outcome = RealOs::SizeofResource(module, item);
    return outcome;
  }
  BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal, LPSYSTEMTIME local) override {
    if (Fails("SystemTimeToTzSpecificLocalTime")) return Failed<BOOL>(FALSE);
    const BOOL outcome = RealOs::SystemTimeToTzSpecificLocalTime(zone, universal, local);
    return outcome;
  }
  DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size, va_list* arguments) override {
    if (Fails("FormatMessageA")) return Failed<DWORD>(0);
    const DWORD outcome = RealOs::FormatMessageA(flags, source, messageId, languageId, buffer, size, arguments);
    if (outcome && (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER)) ++held;
    return outcome;
  }
  HLOCAL LocalFree(HLOCAL memory) override {
    // A failed release still released: only the report fails.
    const HLOCAL outcome = RealOs::LocalFree(memory);
    if (!outcome) --held;
    if (Fails("LocalFree")) return Failed<HLOCAL>(memory);
    return outcome;
  }

 private:
  bool Fails(const char* name) {
    names.push_back(name);
    if (calls++ != failAt) return false;
    failed = name;
    return true;
  }
  template <typename T>
  static T Failed(T value) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return value;
  }
};

}  // namespace glow
