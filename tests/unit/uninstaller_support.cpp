#include "uninstaller_support.h"

namespace glow {

void RemovalTest::SetUp() {
  SeamTest::SetUp();
  SetTraceTag("Glowclear");
  savedScrnSave_ = ReadScrnSave();
  key = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
  folder = NewFolder("removal");
  launcher = WindowsFolder() + "\\" + kProduct + " Uninstaller.exe";
  WriteFileBytes(launcher, "launcher");
}

void RemovalTest::TearDown() {
  ::SetFileAttributesA(launcher.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(launcher.c_str());
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  RestoreScrnSave(savedScrnSave_);
  SeamTest::TearDown();
}

void RemovalTest::Register(const std::string& list, DWORD type) {
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(created, "CopyScrPath", 0, type, reinterpret_cast<const BYTE*>(list.data()),
                   static_cast<DWORD>(list.size()));
  ::RegSetValueExA(created, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kProduct),
                   static_cast<DWORD>(strlen(kProduct)));
  ::RegCloseKey(created);
}

std::string RemovalTest::File(const std::string& name, const std::string& bytes) {
  const std::string path = folder + "\\" + name;
  WriteFileBytes(path, bytes);
  return path;
}

}  // namespace glow
