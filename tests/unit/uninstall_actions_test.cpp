// Removal of a registered product against the real registry and file system of the prefix.
#include "uninstaller_support.h"

#include "uninstall_actions.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Return;
using ::testing::StrEq;

class UninstallActions : public RemovalTest {
 protected:
  void RecordDeletions() {
    ON_CALL(os, DeleteFileA(_)).WillByDefault([this](LPCSTR path) {
      deleted.push_back(path);
      return os.real().DeleteFileA(path);
    });
  }
  std::vector<std::string> deleted;
};

TEST_F(UninstallActions, DeletesTheListInStoredOrderThenTheLauncherTheKeyAndEmptiesTheSelection) {
  const std::string a = File("a.scr"), b = File("b.scr");
  Register(b + "|" + a);
  SetScrnSave(b);
  RecordDeletions();
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_EQ(deleted, (std::vector<std::string>{b, a, launcher}));
  EXPECT_FALSE(FileExists(a));
  EXPECT_FALSE(FileExists(b));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(ScrnSave().exists);
  EXPECT_TRUE(StoredTextIs(ScrnSave(), ""));
  EXPECT_EQ(LinesWith("[Glowclear][Notify]tszPathStr @ LoadScrPath -> " + b + "|" + a + "\r\n"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]RegDeleteKey succeed @ UninstAct -> " + key + "\r\n"), 1);
}

TEST_F(UninstallActions, EmptiesTheSelectionWithAZeroByteText) {
  Register(File("a.scr"));
  SetScrnSave("C:\\windows\\system32\\someone else's.scr");
  EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, RegSetValueExA(_, StrEq("ScrnSave.exe"), 0, REG_SZ, _, 0u));
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), ""));
}

TEST_F(UninstallActions, SeparatorRunsAndEndsGiveNoEmptyEntry) {
  const std::string a = File("a.scr"), b = File("b.scr");
  Register("||" + a + "||" + b + "|");
  RecordDeletions();
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_EQ(deleted, (std::vector<std::string>{a, b, launcher}));
  EXPECT_EQ(LinesWith("file not exist !!"), 0) << AllLines();
}

TEST_F(UninstallActions, AListOfSeparatorsOnlyStillRemovesLauncherKeyAndSelection) {
  Register("|||");
  SetScrnSave("x");
  g_removalList.Clear();
  EXPECT_TRUE(LoadScrPath(kProduct));
  EXPECT_EQ(g_removalList.Count(), 0u);
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), ""));
}

TEST_F(UninstallActions, AReadOnlyFileIsMadeNormalAndDeleted) {
  const std::string a = File("a.scr");
  ::SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY);
  Register(a);
  EXPECT_CALL(os, SetFileAttributesA(_, _)).Times(AnyNumber());
  EXPECT_CALL(os, SetFileAttributesA(StrEq(a), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_FALSE(FileExists(a));
}

TEST_F(UninstallActions, APathListedTwiceIsFoundMissingTheSecondTime) {
  const std::string a = File("a.scr");
  Register(a + "|" + a);
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_EQ(LinesWith("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + a + "\r\n"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]file not exist !! @ UninstAct -> " + a + "\r\n"), 1);
}

TEST_F(UninstallActions, NoKeyTouchesNothing) {
  const std::string a = File("a.scr");
  SetScrnSave(a);
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_CALL(os, RegDeleteKeyA(_, _)).Times(0);
  EXPECT_FALSE(UninstAct(kProduct));
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), a));
  EXPECT_EQ(LinesWith("[Glowclear]RegOpenKeyEx failed @ LoadScrPath -> " + key + " error: 2 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]UninstAct -> LoadScrPath failed !\r\n"), 1);
}

TEST_F(UninstallActions, AnEmptyOrMissingListTouchesNothing) {
  Register("");
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_FALSE(UninstAct(kProduct));
  EXPECT_EQ(LinesWith("[Glowclear][Notify]tszPathStr @ LoadScrPath -> \r\n"), 1) << AllLines();
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  HKEY bare = nullptr;
  ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bare, nullptr);
  ::RegCloseKey(bare);
  EXPECT_FALSE(UninstAct(kProduct));
  EXPECT_EQ(LinesWith("[Glowclear]LoadScrPath -> RegQueryValueEx error: 2 - "), 1) << AllLines();
  EXPECT_TRUE(FileExists(launcher));
}

TEST_F(UninstallActions, AListOfAnotherTypeIsNoListOfPaths) {
  const std::string a = File("a.scr");
  Register(a, REG_BINARY);
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_FALSE(UninstAct(kProduct));
  EXPECT_TRUE(FileExists(a));
  EXPECT_EQ(LinesWith("[Glowclear]LoadScrPath -> RegQueryValueEx error: 1804 - "), 1) << AllLines();
}

TEST_F(UninstallActions, AListOfAnyLengthIsReadWhole) {
  std::string list;
  for (int i = 0; i < 2000; ++i) list += folder + "\\missing-" + std::to_string(i) + ".scr|";
  const std::string last = File("last.scr");
  list += last;
  ASSERT_GT(list.size(), 100000u);
  Register(list);
  os.lines.clear();
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_FALSE(FileExists(last));
  EXPECT_EQ(g_removalList.Count(), 2002u);
}

// Memory running out while the removal list is built: a file left off the list would outlive its record.
TEST_F(UninstallActions, ARemovalListThatCannotGrowRemovesAllOrNothing) {
  // Growths in order: the stored value, the list, the three paths, the launcher's path.
  for (unsigned failing = 1; failing <= 6; ++failing) {
    SCOPED_TRACE(failing);
    const std::vector<std::string> files = {File("a.scr"), File("b.scr"), File("c.scr")};
    WriteFileBytes(launcher, "launcher");
    Register(files[0] + "|" + files[1] + "|" + files[2]);
    SetScrnSave(files[2]);
    FailBlockGrowthFrom(failing);
    const bool removed = UninstAct(kProduct);
    FailBlockGrowthFrom(0);
    for (const std::string& file : files) EXPECT_EQ(FileExists(file), !removed) << file;
    EXPECT_EQ(FileExists(launcher), !removed);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, key), !removed);
    EXPECT_EQ(StoredTextIs(ScrnSave(), ""), removed);
    EXPECT_EQ(removed, failing == 6);  // the launcher's path unlisted still goes
  }
  EXPECT_EQ(LinesWith("[Glowclear]removal list cannot grow @ LoadScrPath -> "), 4) << AllLines();  // growths 2 to 5
}

TEST_F(UninstallActions, ADesktopKeyThatCannotBeOpenedFailsAfterFilesAndKeyAreGone) {
  const std::string a = File("a.scr");
  Register(a);
  SetScrnSave(a);
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, StrEq("Control Panel\\Desktop"), 0, KEY_WRITE, _))
      .WillOnce(Return(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(UninstAct(kProduct));
  EXPECT_FALSE(FileExists(a));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), a));
  EXPECT_EQ(LinesWith("[Glowclear]UninstAct -> RegOpenKey (SetDefault) failed !! error: 5 - "), 1) << AllLines();
}

TEST_F(UninstallActions, AFileThatCannotBeDeletedStaysAndTheRestGoes) {
  const std::string a = File("a.scr"), b = File("b.scr");
  Register(a + "|" + b);
  HANDLE held = ::CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(UninstAct(kProduct));
  ::CloseHandle(held);
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(b));
  EXPECT_EQ(os.sleeps, 0);  // only the launcher's file is waited for
  EXPECT_EQ(LinesWith("[Glowclear]DeleteFile failed !! @ UninstAct -> " + a + " error: 32 - "), 1) << AllLines();
}

TEST_F(UninstallActions, TheLauncherFileIsWaitedForBoundedly) {
  Register("|");
  int failures = 2;
  EXPECT_CALL(os, DeleteFileA(StrEq(launcher))).WillRepeatedly([&](LPCSTR path) {
    if (failures-- > 0) {
      ::SetLastError(ERROR_ACCESS_DENIED);  // what deleting a running program gives
      return FALSE;
    }
    return os.real().DeleteFileA(path);
  });
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_EQ(os.sleeps, 2);

  // A launcher file that never becomes free is given up on after the bound.
  WriteFileBytes(launcher, "launcher");
  Register("|");
  HANDLE held = ::CreateFileA(launcher.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ::testing::Mock::VerifyAndClearExpectations(&os);
  os.sleeps = 0;
  EXPECT_TRUE(UninstAct(kProduct));
  ::CloseHandle(held);
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_EQ(os.sleeps, static_cast<int>(kLauncherDeleteAttempts) - 1);
  EXPECT_EQ(LinesWith("[Glowclear]DeleteFile failed !! @ UninstAct -> " + launcher + " error: 32 - "), 1) << AllLines();
}

TEST_F(UninstallActions, TheWindowsFolderFallsBackToCWindows) {
  Register("|");
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_WINDOWS, TRUE))
      .WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)));
  EXPECT_TRUE(UninstAct(kProduct));
  EXPECT_STREQ(g_removalList.At(0), (std::string("C:\\Windows\\") + kProduct + " Uninstaller.exe").c_str());
  EXPECT_EQ(LinesWith("[Glowclear]UninstAct -> SHGetSpecialFolderPath (CSIDL_WINDOWS) failed ! error: 3 - "), 1);
}

}  // namespace
}  // namespace glow
