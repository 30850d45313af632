// Removal of a registered product against the real registry and file system of the prefix.
#include "uninstaller_support.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::HasSubstr;
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
  bool Pending(const std::string& listed) {
    for (const std::string& path : PendingDeletions())
      if (_stricmp(path.c_str(), ("\\??\\" + listed).c_str()) == 0) return true;
    return false;
  }
  std::vector<std::string> deleted;
};

TEST_F(UninstallActions, DeletesTheListInStoredOrderThenTheLauncherTheKeyAndEmptiesTheSelection) {
  const std::string a = File("a.scr"), b = File("b.scr");
  Register(b + "|" + a);
  SetScrnSave(b);
  RecordDeletions();
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_EQ(deleted, (std::vector<std::string>{Reach(b), Reach(a), launcher}));
  EXPECT_FALSE(FileExists(Reach(a)));
  EXPECT_FALSE(FileExists(Reach(b)));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), ""));
  EXPECT_EQ(LinesWith("[Glowclear][Notify]tszPathStr @ LoadScrPath -> " + b + "|" + a + "\r\n"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + b + "\r\n"), 1);
  EXPECT_EQ(LinesWith("[Glowclear][Notify]RegDeleteKey succeed @ UninstAct -> " + key + "\r\n"), 1);
}

TEST_F(UninstallActions, EmptiesTheSelectionWithTheEmptyTextAndItsZero) {
  Register(File("a.scr"));
  SetScrnSave("C:\\windows\\system32\\someone else's.scr");
  EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, RegSetValueExA(_, StrEq("ScrnSave.exe"), 0, REG_SZ, _, 1u));
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  const RegValue selection = ScrnSave();
  EXPECT_EQ(selection.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(selection.bytes, std::string(2, '\0'));  // the empty text, terminated
}

TEST_F(UninstallActions, SeparatorRunsAndEndsGiveNoEmptyEntry) {
  const std::string a = File("a.scr"), b = File("b.scr");
  Register("||" + a + "||" + b + "|");
  RecordDeletions();
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_EQ(deleted, (std::vector<std::string>{Reach(a), Reach(b), launcher}));
  EXPECT_EQ(LinesWith("file not exist !!"), 0) << AllLines();
}

TEST_F(UninstallActions, AListOfSeparatorsOnlyStillRemovesLauncherKeyAndSelection) {
  Register("|||");
  SetScrnSave("x");
  ASSERT_TRUE(PlaceRemoval(kProduct, &run));
  EXPECT_TRUE(LoadScrPath(&run));
  EXPECT_EQ(run.removalList.Count(), 0u);
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), ""));
}

TEST_F(UninstallActions, AReadOnlyFileIsMadeNormalAndDeleted) {
  const std::string a = File("a.scr");
  ::SetFileAttributesA(Reach(a).c_str(), FILE_ATTRIBUTE_READONLY);
  Register(a);
  EXPECT_CALL(os, SetFileAttributesA(_, _)).Times(AnyNumber());
  EXPECT_CALL(os, SetFileAttributesA(StrEq(Reach(a)), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(Reach(a)));
}

TEST_F(UninstallActions, APathListedTwiceIsFoundMissingTheSecondTime) {
  const std::string a = File("a.scr");
  Register(a + "|" + a);
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_EQ(LinesWith("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + a + "\r\n"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]file not exist !! @ UninstAct -> " + a + "\r\n"), 1);
}

// The list is input: an entry that is no screen saver directly inside the system folder is never deleted.
TEST_F(UninstallActions, OnlyScreenSaversDirectlyInTheSystemFolderAreDeleted) {
  const std::string placed = File("placed.scr");
  const std::string windows = WindowsFolder();
  const std::string sentinel = windows + "\\glowtest-sentinel.ini";
  const std::string system = SystemFolder();
  WriteFileBytes(sentinel, "sentinel");
  ::SetFileAttributesA(sentinel.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFileBytes(Reach(system + "\\glowtest-dotted.scr"), "sentinel");
  const std::vector<std::string> foreign = {
      sentinel, "glowtest-sentinel.ini", system + "\\..\\glowtest-sentinel.ini", system + "\\glowtest-dotted.scr.",
      system + "\\glowtest-dotted.scr ", system + "/glowtest-dotted.scr", windows + "\\glowtest-sentinel.scr"};
  std::string list;
  for (const std::string& entry : foreign) list += entry + "|";
  Register(list + placed);
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(Reach(placed)));
  EXPECT_EQ(ReadFileBytes(sentinel), "sentinel");
  EXPECT_EQ(ReadFileBytes(Reach(system + "\\glowtest-dotted.scr")), "sentinel");
  EXPECT_EQ(LinesWith("left alone, "), static_cast<int>(foreign.size())) << AllLines();
  ::SetFileAttributesA(sentinel.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(sentinel.c_str());
  ::DeleteFileA(Reach(system + "\\glowtest-dotted.scr").c_str());
}

TEST_F(UninstallActions, NoKeyTouchesNothing) {
  const std::string a = File("a.scr");
  SetScrnSave(a);
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_CALL(os, RegDeleteKeyA(_, _)).Times(0);
  EXPECT_EQ(Remove(), RemovalOutcome::kNothingLoaded);
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), a));
  EXPECT_EQ(LinesWith("[Glowclear]RegOpenKeyEx failed @ LoadScrPath -> " + key + " error: 2 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]UninstAct -> LoadScrPath failed !\r\n"), 1);
}

TEST_F(UninstallActions, AnEmptyOrMissingListTouchesNothing) {
  Register("");
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_EQ(Remove(), RemovalOutcome::kNothingLoaded);
  EXPECT_EQ(LinesWith("[Glowclear][Notify]tszPathStr @ LoadScrPath -> \r\n"), 1) << AllLines();
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  HKEY bare = nullptr;
  ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bare, nullptr);
  ::RegCloseKey(bare);
  EXPECT_EQ(Remove(), RemovalOutcome::kNothingLoaded);
  EXPECT_EQ(LinesWith("[Glowclear]LoadScrPath -> RegQueryValueEx error: 2 - "), 1) << AllLines();
  EXPECT_TRUE(FileExists(launcher));
}

TEST_F(UninstallActions, AListOfAnotherTypeIsNoListOfPaths) {
  const std::string a = File("a.scr");
  Register(a, REG_BINARY);
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_EQ(Remove(), RemovalOutcome::kNothingLoaded);
  EXPECT_TRUE(FileExists(Reach(a)));
  EXPECT_EQ(LinesWith("[Glowclear]LoadScrPath -> RegQueryValueEx error: 1804 - "), 1) << AllLines();
}

TEST_F(UninstallActions, AListOfAnyLengthIsReadWhole) {
  std::string list;
  for (int i = 0; i < 2000; ++i) list += SystemFolder() + "\\glowtest-missing-" + std::to_string(i) + ".scr|";
  const std::string last = File("last.scr");
  list += last;
  ASSERT_GT(list.size(), 60000u);
  Register(list);
  os.lines.clear();
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(Reach(last)));
  EXPECT_EQ(run.removalList.Count(), 2002u);
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
    const bool removed = Succeeded(Remove());
    FailBlockGrowthFrom(0);
    for (const std::string& file : files) EXPECT_EQ(FileExists(Reach(file)), !removed) << file;
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
  EXPECT_EQ(Remove(), RemovalOutcome::kSelectionNotOpened);
  EXPECT_FALSE(FileExists(Reach(a)));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), a));
  EXPECT_EQ(LinesWith("[Glowclear]UninstAct -> RegOpenKey (SetDefault) failed !! error: 5 - "), 1) << AllLines();
}

// A screen saver in use (running, or shown as a preview) is deleted at the next restart; one that cannot
// even be scheduled keeps the product registered with exactly what remains.
TEST_F(UninstallActions, AFileInUseGoesAtTheNextRestartOrStaysListed) {
  const std::string a = File("a.scr"), b = File("b.scr"), c = File("c.scr");
  Register(a + "|" + b + "|" + c);
  // Held with no sharing at all, it cannot even be moved aside: it is never scheduled under its own name,
  // which a reinstall before the restart takes again, and stays listed.
  HANDLE held = ::CreateFileA(Reach(a).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(Remove(), RemovalOutcome::kEntryRemains);
  EXPECT_FALSE(FileExists(Reach(b)));
  EXPECT_EQ(os.sleeps, 0);  // only the launcher's file is waited for
  EXPECT_EQ(LinesWith("[Glowclear]DeleteFile failed !! @ UninstAct -> " + a + " error: 32 - "), 1) << AllLines();
  EXPECT_FALSE(Pending(a));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_TRUE(FileExists(launcher));  // a kept entry keeps the launcher its command starts

  // Neither deleted nor scheduled: the key stays and lists it alone; the selection stays as it was.
  ::CloseHandle(held);
  const std::string d = File("d.scr");
  WriteFileBytes(launcher, "launcher");
  Register(a + "|" + d);
  SetScrnSave(a);
  held = ::CreateFileA(Reach(a).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_CALL(os, MoveFileExA(_, _, _)).Times(AnyNumber()).WillRepeatedly(FailWith(FALSE, static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_EQ(Remove(), RemovalOutcome::kEntryRemains);
  ::CloseHandle(held);
  EXPECT_FALSE(FileExists(Reach(d)));
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_LOCAL_MACHINE, key, "CopyScrPath"), a));
  EXPECT_TRUE(StoredTextIs(ScrnSave(), a));
  EXPECT_EQ(LinesWith("files remain, the entry stays @ UninstAct -> " + a + " error: 32"), 2) << AllLines();
  // Once the file is free, the same removal again finishes the job.
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(Reach(a)));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
}

TEST_F(UninstallActions, TheLauncherFileIsWaitedForBoundedlyThenGoesAtTheNextRestart) {
  Register("|");
  int failures = 2;
  EXPECT_CALL(os, DeleteFileA(StrEq(launcher))).WillRepeatedly([&](LPCSTR path) {
    if (failures-- > 0) {
      ::SetLastError(ERROR_ACCESS_DENIED);  // what deleting a running program gives
      return FALSE;
    }
    return os.real().DeleteFileA(path);
  });
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_EQ(os.sleeps, 2);

  // A launcher file that never becomes free, held with no sharing at all so that it could not even be
  // moved aside, is given up on after 3 s, before the key goes: the entry stays, and so does its way back.
  WriteFileBytes(launcher, "launcher");
  Register("|");
  HANDLE held = ::CreateFileA(launcher.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ::testing::Mock::VerifyAndClearExpectations(&os);
  os.sleeps = 0;
  os.slept = 0;
  // Bounded by elapsed time, not by a count of tries: on a clock that also moves 50 ms at every look
  // (slow tries), far fewer waits fill the 3 s than a count of them would make.
  DWORD looked = 0;
  const auto clock = [&] { return ::GetTickCount() + os.slept + looked; };
  ON_CALL(os, GetTickCount).WillByDefault([&] {
    looked += 50;
    return clock();
  });
  const DWORD start = clock();
  EXPECT_EQ(Remove(), RemovalOutcome::kEntryRemains);
  ::CloseHandle(held);
  EXPECT_GE(clock() - start, kLauncherDeleteTimeoutMs);
  EXPECT_LT(os.slept, kLauncherDeleteTimeoutMs / 2);
  EXPECT_FALSE(Pending(launcher));
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_EQ(LinesWith("[Glowclear]held by another program, the entry stays @ UninstAct -> " + launcher), 1)
      << AllLines();
  // Once it is free, the same removal again finishes the job.
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
}

// A library or a function the system lacks fails like a failed call of it, with its own error code.
TEST_F(UninstallActions, WhatTheSystemLacksFailsLikeAFailedCall) {
  struct Restore {
    ~Restore() { LoadSystemLibrariesNamed("advapi32.dll", "shell32.dll", "user32.dll"); }
  } restore;
  const std::string a = File("a.scr");
  Register(a);
  // Without advapi32 nothing can be read, so nothing is touched.
  EXPECT_FALSE(LoadSystemLibrariesNamed("glowtest-missing.dll", "shell32.dll", "user32.dll"));
  EXPECT_EQ(Remove(), RemovalOutcome::kNothingLoaded);
  EXPECT_TRUE(FileExists(Reach(a)));
  EXPECT_EQ(LinesWith("[Glowclear]RegOpenKeyEx failed @ LoadScrPath -> " + key + " error: 127 - "), 1) << AllLines();
  // A library without the folder lookup: the folders fall back to their usual names, the removal goes through.
  EXPECT_FALSE(LoadSystemLibrariesNamed("advapi32.dll", "kernel32.dll", "user32.dll"));
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_FALSE(FileExists(Reach(a)));
  EXPECT_EQ(LinesWith("[Glowclear]UninstAct -> SHGetSpecialFolderPath (CSIDL_WINDOWS) failed ! error: 127 - "), 1)
      << AllLines();
}

TEST_F(UninstallActions, TheWindowsFolderFallsBackToCWindows) {
  Register("|");
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_WINDOWS, TRUE))
      .WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)));
  EXPECT_EQ(Remove(), RemovalOutcome::kRemoved);
  EXPECT_STREQ(run.removalList.At(0), (std::string("C:\\Windows\\") + kProduct + " Uninstaller.exe").c_str());
  EXPECT_EQ(LinesWith("[Glowclear]UninstAct -> SHGetSpecialFolderPath (CSIDL_WINDOWS) failed ! error: 3 - "), 1);
}

}  // namespace
}  // namespace glow
