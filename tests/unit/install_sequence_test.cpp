// The whole installer run against the real system folder, Windows folder and registry of the prefix.
#include "installer_support.h"

#include <algorithm>

#include "exit_codes.h"
#include "install_sequence.h"
#include "placement.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::HasSubstr;
using ::testing::Return;
using ::testing::StrEq;

const char kProduct[] = "Glowtest Product";
const std::string kKey = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;

class InstallSequence : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    savedScrnSave_ = ReadScrnSave();
    WriteIni(std::string("[Inst]\r\nName=") + kProduct + "\r\nVersion=3.1\r\n");
    placed = NativeSystemFolder() + "\\" + kProduct + ".scr";
    placedAs = SystemFolder() + "\\" + kProduct + ".scr";  // as the installer names it
    launcher = WindowsFolder() + "\\" + kProduct + " Uninstaller.exe";
  }
  void TearDown() override {
    for (const std::string& path : {placed, launcher}) ::DeleteFileA(path.c_str());
    for (const std::string& path : extraPlaced) ::DeleteFileA(path.c_str());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kKey);
    RestoreScrnSave(savedScrnSave_);
    InstallerTest::TearDown();
  }
  int Install(const char* arguments = "Glowset.exe /d") {
    InstallerApp app;
    std::string commandLine = arguments;
    return app.Run(&commandLine[0]);
  }
  RegValue Value(const char* name) { return ReadRegValue(HKEY_LOCAL_MACHINE, kKey, name); }
  std::vector<std::string> extraPlaced;
  std::string placed;
  std::string placedAs;
  std::string launcher;

 private:
  RegValue savedScrnSave_;
};

TEST_F(InstallSequence, PlacesRecordsAndSelects) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", std::string(3000, 's'));
  ASSERT_EQ(Install(), kInstalled) << AllLines();
  EXPECT_EQ(ReadFileBytes(placed), std::string(3000, 's'));
  EXPECT_EQ(ReadFileBytes(launcher).size(), 80512u);

  const std::vector<std::pair<const char*, std::string>> texts = {
      {"CopyScrPath", placedAs},      {"UninstallString", "\"" + launcher + "\""}, {"DisplayVersion", "3.1"},
      {"DisplayName", kProduct},      {"DisplayIcon", placedAs},     {"Publisher", "TAVO"},
      {"InstallLocation", SystemFolder()}};
  for (const auto& text : texts) EXPECT_TRUE(StoredTextIs(Value(text.first), text.second)) << text.first;
  EXPECT_EQ(Value("URLInfoAbout").type, static_cast<DWORD>(REG_SZ));
  EXPECT_FALSE(Value("URLInfoAbout").bytes.empty());
  const RegValue size = Value("EstimatedSize");
  EXPECT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size.bytes, std::string("\x50\0\0\0", 4));  // 2 KiB + 78 KiB = 80
  const RegValue selected = ReadRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScrnSave.exe");
  EXPECT_TRUE(StoredTextIs(selected, placedAs));

  EXPECT_EQ(LinesWith("[Glowset][Notify]tszScrPath @ InitInstance -> " + placedAs + "\r\n"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowset][Notify]g_tszCopyScrPath @ InitInstance -> " + placedAs + "\r\n"), 1);
  EXPECT_EQ(LinesWith("[Glowset][Notify]tszUninstPath @ InitInstance -> " + launcher + "\r\n"), 1);
}

// Each folder is looked up once for the run, and what the lookup gives is where the launcher goes and what
// the entry records: the Windows folder's fallback included.
TEST_F(InstallSequence, EachFolderIsLookedUpOnceAndTheWindowsFolderFallsBackToCWindows) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_SYSTEM, FALSE));
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_WINDOWS, _))
      .WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)));
  ASSERT_EQ(Install(), kInstalled) << AllLines();
  const std::string fallback = std::string("C:\\Windows\\") + kProduct + " Uninstaller.exe";
  EXPECT_TRUE(StoredTextIs(Value("UninstallString"), "\"" + fallback + "\""));
  EXPECT_EQ(ReadFileBytes(fallback).size(), 80512u);
  EXPECT_EQ(LinesWith("[Glowset]CopyResource -> SHGetSpecialFolderPath (CSIDL_WINDOWS) failed ! error: 3 - "), 1)
      << AllLines();
}

TEST_F(InstallSequence, ValuesAreWrittenInTableOrderTextsWithTheirZero) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  std::vector<std::string> order;
  EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).WillRepeatedly([&](HKEY key, LPCSTR name, DWORD, DWORD type,
                                                                       const BYTE* data, DWORD size) {
    order.push_back(name);
    if (type == REG_SZ) EXPECT_EQ(size, strlen(reinterpret_cast<const char*>(data)) + 1) << name;
    if (type == REG_DWORD) EXPECT_EQ(size, 4u) << name;
    return os.real().RegSetValueExA(key, name, 0, type, data, size);
  });
  ASSERT_EQ(Install(), kInstalled);
  EXPECT_EQ(order, (std::vector<std::string>{"CopyScrPath", "UninstallString", "DisplayVersion", "DisplayName",
                                             "DisplayIcon", "InstallDate", "Publisher", "URLInfoAbout",
                                             "InstallLocation", "EstimatedSize", "QuietUninstallString", "NoModify",
                                             "NoRepair", "ScrnSave.exe"}));
}

TEST_F(InstallSequence, InstallDateIsTheLocalDateWithSlashes) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  for (const auto& dayAndText : {std::make_pair(11, "2010/01/11"), std::make_pair(5, "2010/03/05")}) {
    SYSTEMTIME injected = {};
    injected.wYear = 2010;
    injected.wMonth = dayAndText.first == 11 ? 1 : 3;
    injected.wDay = static_cast<WORD>(dayAndText.first);
    injected.wHour = 12;
    EXPECT_CALL(os, GetSystemTime(_)).WillOnce([&](LPSYSTEMTIME time) { *time = injected; });
    EXPECT_CALL(os, SystemTimeToTzSpecificLocalTime(nullptr, _, _))
        .WillOnce([](const TIME_ZONE_INFORMATION*, const SYSTEMTIME* universal, LPSYSTEMTIME local) {
          *local = *universal;  // as in a time zone at UTC
          return TRUE;
        });
    ASSERT_EQ(Install(), kInstalled);
    EXPECT_TRUE(StoredTextIs(Value("InstallDate"), dayAndText.second));
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
}

// An install that cannot leave a complete, removable record takes back what it did.
TEST_F(InstallSequence, AFailedLauncherWriteLeavesNothingBehind) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateFileA(StrEq(launcher), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, _, _, _, _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_CALL(os, RegCreateKeyExA(_, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, _, _, _, _)).Times(0);
  EXPECT_EQ(Install(), kLauncherNotWritten);
  EXPECT_FALSE(FileExists(placed));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_EQ(LinesWith("[Glowset][Notify]InitInstance -> CopyResource (UNINSTALL.EXE) failed !"), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowset]the install is not complete, copy removed @ InitInstance -> " + placedAs + " error: 1603"),
            1);
}

// What stands at the launcher's path and could not be written is not this run's: a folder there is neither
// deleted nor scheduled for deletion at the restart (which would take an empty folder too).
TEST_F(InstallSequence, AFolderAtTheLauncherPathIsNotTakenBack) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  ASSERT_TRUE(::CreateDirectoryA(launcher.c_str(), nullptr));
  EXPECT_CALL(os, MoveFileExA(_, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, MoveFileExA(StrEq(launcher), _, _)).Times(0);
  EXPECT_CALL(os, DeleteFileA(_)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, DeleteFileA(StrEq(launcher))).Times(0);
  EXPECT_EQ(Install(), kLauncherNotWritten);
  EXPECT_TRUE(::RemoveDirectoryA(launcher.c_str())) << "the folder is gone";
  EXPECT_FALSE(FileExists(placed));
  EXPECT_EQ(LinesWith(launcher + " error:"), 0) << AllLines();
}

TEST_F(InstallSequence, ARecordWithoutItsWorkingValuesIsTakenBack) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  for (const char* value : {"CopyScrPath", "UninstallString"}) {
    EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).Times(::testing::AnyNumber());
    EXPECT_CALL(os, RegSetValueExA(_, StrEq(value), _, _, _, _)).WillOnce(Return(ERROR_ACCESS_DENIED));
    EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
    EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, _, _, _, _)).Times(0);
    EXPECT_EQ(Install(), kUninstallKeyNotCreated) << value;
    EXPECT_FALSE(FileExists(placed)) << value;
    EXPECT_FALSE(FileExists(launcher)) << value;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey)) << value;
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
  // Over an earlier install, its record, its launcher and the files it lists stay.
  ASSERT_EQ(Install(), kInstalled);
  EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegSetValueExA(_, StrEq("UninstallString"), _, _, _, _)).WillOnce(Return(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Install(), kUninstallKeyNotCreated);
  EXPECT_TRUE(FileExists(placed));
  EXPECT_TRUE(FileExists(launcher));
  EXPECT_TRUE(StoredTextIs(Value("UninstallString"), "\"" + launcher + "\""));
}

TEST_F(InstallSequence, AFailedKeyCreationLeavesNothingBehind) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, RegCreateKeyExA(HKEY_LOCAL_MACHINE, StrEq(kKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, _, nullptr))
      .WillOnce(Return(ERROR_ACCESS_DENIED));
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, _, _, _, _)).Times(0);
  EXPECT_EQ(Install(), kUninstallKeyNotCreated);
  EXPECT_FALSE(FileExists(placed));
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_EQ(LinesWith("[Glowset]RegCreateKey (Install) failed @ InitInstance -> " + kKey + " error: 5 - "), 1)
      << AllLines();
}

TEST_F(InstallSequence, AFailedValueIsTracedAndTheOthersStillWritten) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, RegSetValueExA(_, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegSetValueExA(_, StrEq("DisplayName"), _, _, _, _)).WillOnce(Return(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Install(), kInstalled);
  EXPECT_FALSE(Value("DisplayName").exists);
  EXPECT_TRUE(Value("EstimatedSize").exists);
  EXPECT_EQ(LinesWith("[Glowset]RegSetValueEx (DisplayName) (UninstallString) failed @ InitInstance -> " + launcher +
                      " error: 5 - "),
            1)
      << AllLines();
}

TEST_F(InstallSequence, ADesktopKeyThatCannotBeOpenedIsAFailedInstall) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, StrEq("Control Panel\\Desktop"), 0, KEY_WRITE, _))
      .WillOnce(Return(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Install(), kSelectionNotSet);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
  EXPECT_EQ(LinesWith("[Glowset]InitInstance -> RegOpenKey (SetDefault) failed !! error: 5 - "), 1) << AllLines();
}

// A deployment run as LocalSystem: its HKEY_CURRENT_USER is no user's, so nothing is selected there.
TEST_F(InstallSequence, AsLocalSystemItInstallsAndSelectsNothing) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  EXPECT_CALL(os, IsWellKnownSid(_, WinLocalSystemSid)).WillOnce(Return(TRUE));
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_CURRENT_USER, StrEq("Control Panel\\Desktop"), _, _, _)).Times(0);
  EXPECT_EQ(Install(), kInstalled);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
  EXPECT_EQ(LinesWith("[Glowset][Notify]InitInstance -> running as LocalSystem: no user's screen saver is selected\r\n"), 1)
      << AllLines();
}

TEST_F(InstallSequence, TheGuardIsSwitchedBackOnAfterAPlacementFailure) {
  const int switches = IsWow64Process() ? 1 : 0;
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, FALSE)).Times(switches);
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, TRUE)).Times(switches);
  EXPECT_EQ(Install(), kPlacementFailed);  // nothing beside the installer
  EXPECT_EQ(os.boxes.size(), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(InstallSequence, AnUnsafeProductNameIsRefusedBeforeAnythingIsTouched) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "s");
  for (const std::string& name :
       {std::string("..\\..\\evil"), std::string(208, 'n'), std::string("a|b"), std::string("X Uninstaller Pro")}) {
    WriteIni("[Inst]\r\nName=" + name + "\r\n");
    EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
    EXPECT_CALL(os, CreateFileA(HasSubstr(".scr"), _, _, _, _, _, _)).Times(0);
    EXPECT_CALL(os, FindResourceA(_, _, _)).Times(0);
    EXPECT_CALL(os, RegCreateKeyExA(_, _, _, _, _, _, _, _, _)).Times(0);
    EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(0);
    EXPECT_EQ(Install(), kProductNameRefused) << name;
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
  EXPECT_EQ(os.boxes.size(), 4u);
  EXPECT_EQ(LinesWith("product name refused: contains a character not allowed in file names @ InitInstance"), 2)
      << AllLines();
  EXPECT_EQ(LinesWith("product name refused: longer than 207 bytes @ InitInstance"), 1);
  // The launcher would ask to remove "X Pro": such a product could never be removed.
  EXPECT_EQ(LinesWith("product name refused: contains \" Uninstaller\", which the launcher removes"), 1);
}

TEST_F(InstallSequence, AReinstallKeepsTrackOfWhatAnEarlierInstallPlaced) {
  for (const char* name : {"glowtest-a.scr", "glowtest-b.scr"}) {
    WriteFileBytes(ownFolder + "\\" + name, "s");
    extraPlaced.push_back(NativeSystemFolder() + "\\" + name);
  }
  ASSERT_EQ(Install(), kInstalled);
  const std::string first = Value("CopyScrPath").bytes;
  ASSERT_EQ(Install(), kInstalled);
  EXPECT_EQ(Value("CopyScrPath").bytes, first);  // the same files, listed once
  EXPECT_EQ(std::count(first.begin(), first.end(), '|'), 1);

  // With fewer files beside it, what is no longer shipped but still placed stays listed, after this run's.
  ::DeleteFileA((ownFolder + "\\glowtest-b.scr").c_str());
  ASSERT_EQ(Install(), kInstalled);
  const std::string system = SystemFolder();
  EXPECT_TRUE(StoredTextIs(Value("CopyScrPath"), system + "\\glowtest-a.scr|" + system + "\\glowtest-b.scr"));
}

TEST_F(InstallSequence, AListOfAnyLengthIsStoredWhole) {
  std::vector<std::string> names;
  for (int i = 0; i < 60; ++i) {
    names.push_back("glowtest-" + std::string(50, 'l') + std::to_string(i) + ".scr");
    WriteFileBytes(ownFolder + "\\" + names.back(), "s");
    extraPlaced.push_back(NativeSystemFolder() + "\\" + names.back());
  }
  ASSERT_EQ(Install(), kInstalled);
  const RegValue list = Value("CopyScrPath");
  for (const std::string& name : names)
    EXPECT_NE(list.bytes.find(Wide(SystemFolder() + "\\" + name)), std::string::npos) << name;
  EXPECT_GT(list.bytes.size() / 2, 2048u);
}

}  // namespace
}  // namespace glow
