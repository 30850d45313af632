#include "uninstaller_support.h"

namespace glow {

namespace {
}

void RemovalTest::SetUp() {
  SeamTest::SetUp();
  SetTraceTag("Glowclear");
  savedScrnSave_ = ReadScrnSave();
  savedPending_ = ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  key = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
  launcher = WindowsFolder() + "\\" + kProduct + " Uninstaller.exe";
  WriteFileBytes(launcher, "launcher");
}

void RemovalTest::TearDown() {
  for (const std::string& path : {launcher}) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  for (const std::string& path : files_) {
    ::SetFileAttributesA(Reach(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(Reach(path).c_str());
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  RestoreScrnSave(savedScrnSave_);
  // Deletions a test scheduled must not hit the next run's files.
  HKEY manager = nullptr;
  ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &manager);
  if (savedPending_.exists)
    ::RegSetValueExW(manager, L"PendingFileRenameOperations", 0, savedPending_.type,
                     reinterpret_cast<const BYTE*>(savedPending_.bytes.data()),
                     static_cast<DWORD>(savedPending_.bytes.size()));
  else
    ::RegDeleteValueA(manager, "PendingFileRenameOperations");
  ::RegCloseKey(manager);
  SeamTest::TearDown();
}

void RemovalTest::Register(const std::string& list, DWORD type) {
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(created, "CopyScrPath", 0, type, reinterpret_cast<const BYTE*>(list.c_str()),
                   static_cast<DWORD>(list.size() + 1));
  ::RegSetValueExA(created, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kProduct),
                   static_cast<DWORD>(strlen(kProduct) + 1));
  ::RegCloseKey(created);
}

std::string RemovalTest::File(const std::string& name, const std::string& bytes) {
  const std::string listed = SystemFolder() + "\\glowtest-" + name;
  WriteFileBytes(Reach(listed), bytes);
  files_.push_back(listed);
  return listed;
}

std::string RemovalTest::Reach(const std::string& listed) {
  const std::string system = SystemFolder();
  if (!IsWow64Process() || _strnicmp(listed.c_str(), system.c_str(), system.size()) != 0) return listed;
  return NativeSystemFolder() + listed.substr(system.size());
}

std::vector<std::string> RemovalTest::PendingDeletions() {
  const RegValue pending = ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  std::vector<std::string> paths;
  std::string current;
  for (size_t i = 0; i + 1 < pending.bytes.size(); i += 2) {
    if (pending.bytes[i] == 0 && pending.bytes[i + 1] == 0) {
      if (!current.empty()) paths.push_back(current);
      current.clear();
    } else {
      current += pending.bytes[i];
    }
  }
  return paths;
}

}  // namespace glow
