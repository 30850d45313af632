// Bad input given to the real programs: each gets a clear outcome and loses nothing it should not.
#include "run_support.h"
#include "test_support.h"

#include <sddl.h>

namespace glow {
namespace {

const std::string kPackage = "C:\\glowbad";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(kPackage);
    ::CreateDirectoryA(kPackage.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(BuiltProgram("Glowset.exe").c_str(), (kPackage + "\\Glowset.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (kPackage + "\\TAVO.scr").c_str(), FALSE));
  }
  void TearDown() override { RemoveTree(kPackage); }
  DWORD Install() { return RunTraced("\"" + kPackage + "\\Glowset.exe\"").exitCode; }
  // The launcher's exit code: whether it started the uninstaller.
  DWORD Remove(const std::string& name) {
    return RunTraced("\"" + WindowsFolder() + "\\" + name + " Uninstaller.exe\"").exitCode;
  }
  void Ini(const std::string& bytes) { WriteFileBytes(kPackage + "\\Glowset.ini", bytes); }
  static std::string Placed(const std::string& name) { return NativeSystemFolder() + "\\" + name + ".scr"; }
  static void SetCopyList(const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstall + name).c_str(), 0, KEY_SET_VALUE, &key);
    ::RegSetValueExA(key, "CopyScrPath", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
  }
};

TEST_F(BadInput, ASettingsFileOfBinaryGarbageFallsBackToTheDefaults) {
  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  Ini(garbage);
  ASSERT_EQ(Install(), 0u);
  EXPECT_TRUE(FileExists(Placed("TAVO ScreenSaver")));
  EXPECT_EQ(Remove("TAVO ScreenSaver"), 0u);
  EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
}

// Notepad's "UTF-16 BE" is read like its little-endian form, not taken for no settings at all.
TEST_F(BadInput, ABigEndianSettingsFileGivesItsName) {
  std::string bigEndian = "\xfe\xff";
  for (char c : std::string("[Inst]\r\nName=Big Endian Glow\r\n")) bigEndian += std::string(1, '\0') + c;
  Ini(bigEndian);
  ASSERT_EQ(Install(), 0u);
  EXPECT_TRUE(FileExists(Placed("Big Endian Glow")));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
  EXPECT_EQ(Remove("Big Endian Glow"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "Big Endian Glow"));
}

// COM with a superscript digit is a device to the system, however the settings file spells it. (This
// program runs in the Western code page, where 0xB9 is that superscript one.)
TEST_F(BadInput, ADeviceNameWithASuperscriptDigitTouchesNothing) {
  Ini("\xef\xbb\xbf[Inst]\r\nName=COM\xc2\xb9\r\n");
  EXPECT_EQ(Install(), 4u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "COM\xb9"));
  EXPECT_FALSE(FileExists(WindowsFolder() + "\\COM\xb9 Uninstaller.exe"));
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((NativeSystemFolder() + "\\COM*.scr").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
  if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

TEST_F(BadInput, AHugeNameIsCutAndThenRefusedAsTooLong) {
  Ini("[Inst]\r\nName=" + std::string(10000, 'n') + "\r\nVersion=" + std::string(10000, 'v') + "\r\n");
  EXPECT_EQ(Install(), 4u);  // cut to 253 characters, more than a key path holds
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + std::string(253, 'n')));
  Ini("[Inst]\r\nName=Long Version\r\nVersion=" + std::string(10000, 'v') + "\r\n");
  ASSERT_EQ(Install(), 0u);
  EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstall + "Long Version", "DisplayVersion"),
                           std::string(253, 'v')));
  EXPECT_EQ(Remove("Long Version"), 0u);
}

TEST_F(BadInput, ANameThatClimbsOutOfItsFolderTouchesNothing) {
  Ini("[Inst]\r\nName=..\\..\\evil\r\n");
  EXPECT_EQ(Install(), 4u);
  EXPECT_FALSE(FileExists(WindowsFolder() + "\\..\\evil Uninstaller.exe"));
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\..\\..\\evil.scr"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "..\\..\\evil"));
}

TEST_F(BadInput, ALockedScreenSaverFailsToInstallAndLeavesNothing) {
  HANDLE lock = ::CreateFileA((kPackage + "\\TAVO.scr").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Install(), 5u);
  ::CloseHandle(lock);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
}

TEST_F(BadInput, ALockedFileAmongManyIsSkippedAndTheRestInstalled) {
  ::DeleteFileA((kPackage + "\\TAVO.scr").c_str());
  for (const char* name : {"Locked.scr", "Free.scr"})
    ::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (kPackage + "\\" + name).c_str(), FALSE);
  HANDLE lock = ::CreateFileA((kPackage + "\\Locked.scr").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(Install(), 0u);
  ::CloseHandle(lock);
  EXPECT_TRUE(FileExists(NativeSystemFolder() + "\\Free.scr"));
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Locked.scr"));
  EXPECT_EQ(Remove("TAVO ScreenSaver"), 0u);
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Free.scr"));
}

TEST_F(BadInput, AReadOnlyFileOfTheSameNameIsReplaced) {
  WriteFileBytes(Placed("TAVO ScreenSaver"), "an older, read-only copy");
  ::SetFileAttributesA(Placed("TAVO ScreenSaver").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(Install(), 0u);
  EXPECT_EQ(ReadFileBytes(Placed("TAVO ScreenSaver")), ReadFileBytes(BuiltProgram("TAVO.scr")));
  EXPECT_EQ(Remove("TAVO ScreenSaver"), 0u);
  EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
}

TEST_F(BadInput, ACopiedFileListOfTheWrongTypeRemovesNothing) {
  ASSERT_EQ(Install(), 0u);
  const std::string placed = SystemFolder() + "\\TAVO ScreenSaver.scr";
  SetCopyList("TAVO ScreenSaver", REG_BINARY, placed);
  EXPECT_EQ(Remove("TAVO ScreenSaver"), 101u);  // the uninstaller found nothing to remove: its 1, passed on
  EXPECT_TRUE(FileExists(Placed("TAVO ScreenSaver")));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
  SetCopyList("TAVO ScreenSaver", REG_SZ, placed);  // mended, the removal goes through
  EXPECT_EQ(RunTraced("\"" + WindowsFolder() + "\\TAVO ScreenSaver Uninstaller.exe\"").exitCode, 0u);
  EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
}

TEST_F(BadInput, AHundredKilobyteListIsReadWhole) {
  ASSERT_EQ(Install(), 0u);
  std::string list;
  while (list.size() < 100 * 1024) list += "C:\\glow-nowhere\\missing-" + std::to_string(list.size()) + ".scr|";
  list += SystemFolder() + "\\TAVO ScreenSaver.scr";
  SetCopyList("TAVO ScreenSaver", REG_SZ, list);
  EXPECT_EQ(Remove("TAVO ScreenSaver"), 0u);
  EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
}

// Nothing is placed for good that no record could ever remove.
TEST_F(BadInput, AFolderWhereTheLauncherGoesLeavesNoScreenSaverAndNoKey) {
  const std::string launcher = WindowsFolder() + "\\TAVO ScreenSaver Uninstaller.exe";
  ::CreateDirectoryA(launcher.c_str(), nullptr);
  EXPECT_EQ(Install(), 6u);
  // The folder was never this run's: not scheduled to go at the restart either.
  std::string wideName;
  for (char c : std::string("TAVO ScreenSaver Uninstaller.exe")) wideName += std::string(1, c) + '\0';
  const RegValue pending = ReadRegValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                        "PendingFileRenameOperations");
  EXPECT_EQ(pending.bytes.find(wideName), std::string::npos);
  EXPECT_TRUE(::RemoveDirectoryA(launcher.c_str()));
  EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
}

TEST_F(BadInput, ASettingsFileHeldByAnotherProgramRegistersNothing) {
  Ini("[Inst]\r\nName=Held Product\r\n");
  HANDLE holder = ::CreateFileA((kPackage + "\\Glowset.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(Install(), 9u);
  ::CloseHandle(holder);
  for (const char* name : {"Held Product", "TAVO ScreenSaver"}) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + name)) << name;
    EXPECT_FALSE(FileExists(Placed(name))) << name;
  }
}

TEST_F(BadInput, ASecondInstallerWhileOneRunsEndsAtOnceTouchingNothing) {
  // What a running installer holds for its whole run.
  for (const char* mutex : {"TAVO ScreenSaver Installer Local Mutex", "Global\\TAVO ScreenSaver Installer Global Mutex"}) {
    // Made as an elevated installer makes it: owned by Administrators (one a user owns is not yielded to).
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)",
                                                                      SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE held = ::CreateMutexA(&attributes, FALSE, mutex);
    ::LocalFree(descriptor);
    EXPECT_EQ(Install(), 1618u) << mutex;
    ::CloseHandle(held);
    EXPECT_FALSE(FileExists(Placed("TAVO ScreenSaver")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "TAVO ScreenSaver"));
  }
}

}  // namespace
}  // namespace glow
