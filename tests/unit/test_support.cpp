#include "test_support.h"

#include <shlobj.h>
// After windows.h.
#include <sddl.h>

namespace glow {

void SeamTest::SetUp() {
  SetSys(&os);
  SetTraceTag("Glow");
  ResetTraceForTests();
  SwitchTraceOn();
}

void SeamTest::TearDown() {
  FailBlockGrowthFrom(0);
  SetSys(nullptr);
  ResetTraceForTests();
  for (const std::string& folder : folders_) RemoveTree(folder);
}

int SeamTest::LinesWith(const std::string& text) const {
  int count = 0;
  for (const std::string& line : os.lines)
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

std::string SeamTest::AllLines() const {
  std::string all;
  for (const std::string& line : os.lines) all += line;
  return all;
}

std::string SeamTest::NewFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "glowtest-" + std::to_string(::GetCurrentProcessId()) + "-" + name;
  RemoveTree(folder);
  ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  folders_.push_back(folder);
  return folder;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  ::CloseHandle(file);
  return bytes;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE MakeLock(const char* name, LockMaker maker) {
  const char* text = maker == LockMaker::kAdministrators ? "O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)" : "D:P";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const HANDLE lock = ::CreateMutexA(maker == LockMaker::kAnyProgram ? nullptr : &attributes, FALSE, name);
  ::LocalFree(descriptor);
  return lock;
}

bool IsWow64Process() {
  BOOL wow64 = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &wow64);
  return wow64 != FALSE;
}

namespace {
std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  ::SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}
}  // namespace

std::string WindowsFolder() { return SpecialFolder(CSIDL_WINDOWS); }
std::string SystemFolder() { return SpecialFolder(CSIDL_SYSTEM); }
std::string NativeSystemFolder() { return IsWow64Process() ? WindowsFolder() + "\\Sysnative" : SystemFolder(); }

bool StoredTextIs(const RegValue& value, const std::string& text) {
  return value.type == REG_SZ &&
         (value.bytes == Wide(text) || value.bytes == Wide(text) + std::string(2, '\0'));
}

std::string LocalAppDataFolder() { return SpecialFolder(CSIDL_LOCAL_APPDATA); }

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(folder.c_str());
}

RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name) {
  RegValue value;
  HKEY opened = nullptr;
  const std::wstring wideKey(key.begin(), key.end());
  const std::wstring wideName(name.begin(), name.end());
  if (::RegOpenKeyExW(root, wideKey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (::RegQueryValueExW(opened, wideName.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    ::RegQueryValueExW(opened, wideName.c_str(), nullptr, &value.type,
                       reinterpret_cast<BYTE*>(size ? &value.bytes[0] : nullptr), &size);
    value.bytes.resize(size);
    value.exists = true;
  }
  ::RegCloseKey(opened);
  return value;
}

RegValue ReadScrnSave() { return ReadRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScrnSave.exe"); }

void SetScrnSave(const std::string& value) {
  HKEY desktop = nullptr;
  ::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop);
  ::RegSetValueExA(desktop, "ScrnSave.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size()));
  ::RegCloseKey(desktop);
}

void RestoreScrnSave(const RegValue& saved) {
  HKEY desktop = nullptr;
  ::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop);
  if (saved.exists)
    ::RegSetValueExW(desktop, L"ScrnSave.exe", 0, saved.type, reinterpret_cast<const BYTE*>(saved.bytes.data()),
                     static_cast<DWORD>(saved.bytes.size()));
  else
    ::RegDeleteValueA(desktop, "ScrnSave.exe");
  ::RegCloseKey(desktop);
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

void DeleteKeyTree(HKEY root, const std::string& key) { ::RegDeleteTreeA(root, key.c_str()); }

void ClearPendingRenames() {
  HKEY manager = nullptr;
  ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &manager);
  ::RegDeleteValueA(manager, "PendingFileRenameOperations");
  ::RegCloseKey(manager);
}

std::string Wide(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

}  // namespace glow
