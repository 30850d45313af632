// The real three programs in a fresh prefix: install from a package folder, remove through the
// registered uninstall command, and check files, registry values (types and bytes) and trace lines.
#include "run_support.h"
#include "test_support.h"

namespace glow {
namespace {

const std::string kName = "TAVO ScreenSaver";
const std::string kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kName;
const std::string kPackage = "C:\\glowpkg";

std::vector<std::string> WithTag(const std::vector<std::string>& lines, const std::string& tag) {
  std::vector<std::string> tagged;
  for (const std::string& line : lines)
    if (line.rfind("[" + tag + "]", 0) == 0) tagged.push_back(line);
  return tagged;
}

bool KeyInView(const std::string& key, REGSAM view) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(opened);
  return true;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(kPackage);
    ::CreateDirectoryA(kPackage.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(BuiltProgram("Glowset.exe").c_str(), (kPackage + "\\Glowset.exe").c_str(), FALSE))
        << BuiltProgram("Glowset.exe");
    ASSERT_TRUE(::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (kPackage + "\\TAVO.scr").c_str(), FALSE));
    placed = NativeSystemFolder() + "\\" + kName + ".scr";
    placedAs = SystemFolder() + "\\" + kName + ".scr";
    launcher = WindowsFolder() + "\\" + kName + " Uninstaller.exe";
  }
  ProgramRun Install(const std::string& arguments = " /d") {
    return RunTraced("\"" + kPackage + "\\Glowset.exe\"" + arguments);
  }
  ProgramRun Remove(const std::string& arguments = " /d") {
    const RegValue command = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "UninstallString");
    std::string path;
    for (size_t i = 0; i + 1 < command.bytes.size(); i += 2)
      if (command.bytes[i]) path += command.bytes[i];
    return RunTraced("\"" + path + "\"" + arguments);
  }
  void ExpectRemoved() {
    EXPECT_FALSE(FileExists(placed));
    EXPECT_FALSE(FileExists(launcher));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
    const RegValue selection = ReadRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScrnSave.exe");
    EXPECT_TRUE(selection.exists);
    EXPECT_TRUE(StoredTextIs(selection, ""));
    EXPECT_TRUE(FileExists(LocalAppDataFolder() + "\\uninst.tmp"));  // the scratch copy stays
  }
  std::string placed, placedAs, launcher;
};

TEST_F(EndToEnd, InstallPlacesRecordsAndSelects) {
  const ProgramRun run = Install();
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u);
  const std::string scr = ReadFileBytes(BuiltProgram("TAVO.scr"));
  EXPECT_EQ(ReadFileBytes(placed), scr);
  if (IsWow64Process()) EXPECT_FALSE(FileExists(placedAs)) << "landed in the 32-bit system folder";
  const std::string launcherBytes = ReadFileBytes(launcher);
  EXPECT_EQ(launcherBytes, ReadFileBytes(BuiltProgram("Glowrun.exe")));  // carried byte for byte

  if (IsWow64Process()) {
    EXPECT_TRUE(KeyInView("SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kName,
                          KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyInView(kKey, KEY_WOW64_64KEY));
  }
  const std::vector<std::pair<const char*, std::string>> texts = {
      {"CopyScrPath", placedAs},         {"UninstallString", launcher}, {"DisplayVersion", "1.0.0001"},
      {"DisplayName", kName},            {"DisplayIcon", placedAs},     {"Publisher", "TAVO"},
      {"InstallLocation", SystemFolder()}, {"URLInfoAbout", "http://www.tavo.example/"}};
  for (const auto& text : texts)
    EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_LOCAL_MACHINE, kKey, text.first), text.second)) << text.first;
  SYSTEMTIME today;
  ::GetLocalTime(&today);
  char date[16];
  snprintf(date, sizeof date, "%04d/%02d/%02d", today.wYear, today.wMonth, today.wDay);
  EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "InstallDate"), date));
  const DWORD kib = static_cast<DWORD>(scr.size() / 1024 + launcherBytes.size() / 1024);
  const RegValue size = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "EstimatedSize");
  EXPECT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size.bytes, std::string(reinterpret_cast<const char*>(&kib), 4));
  EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScrnSave.exe"), placedAs));

  std::vector<std::string> expected = {"[Glowset][Notify]file not exist @ InitInstance -> " + kPackage + "\\Glowset.ini\r\n"};
  if (IsWow64Process())
    expected.push_back("[Glowset][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(FALSE) succeed.\r\n");
  const auto sizeLine = [](const std::string& path, size_t bytes) {
    return "[Glowset][Notify]file size info @ GetFileMBSize -> " + path + ", n64FileSize: " + std::to_string(bytes) +
           ", dwReturn: " + std::to_string(bytes / 1024) + "\r\n";
  };
  expected.push_back("[Glowset][Notify]file exist, directly copy @ InitInstance -> " + kPackage + "\\TAVO.scr\r\n");
  expected.push_back("[Glowset][Notify]CopyFile done @ InitInstance -> " + placedAs + "\r\n");
  expected.push_back(sizeLine(placedAs, scr.size()));
  expected.push_back("[Glowset][Notify]tszScrPath @ InitInstance -> " + placedAs + "\r\n");
  expected.push_back("[Glowset][Notify]g_tszCopyScrPath @ InitInstance -> " + placedAs + "\r\n");
  expected.push_back("[Glowset][Notify]tszPath @ CopyResource -> " + launcher + "\r\n");
  expected.push_back("[Glowset][Notify]tszUninstPath @ InitInstance -> " + launcher + "\r\n");
  expected.push_back(sizeLine(launcher, launcherBytes.size()));
  if (IsWow64Process())
    expected.push_back("[Glowset][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(TRUE) succeed!\r\n");
  expected.push_back("[Glowset][Notify]ExitInstance -> Prepare to exit...\r\n");
  EXPECT_EQ(run.trace, expected);

  // Wine's Add/Remove Programs lists it under its display name.
  const std::string listed = RunCaptured("uninstaller.exe --list");
  EXPECT_NE(listed.find(kName), std::string::npos) << listed;
}

TEST_F(EndToEnd, TheRegisteredUninstallCommandRemovesEverything) {
  ASSERT_EQ(Install("").exitCode, 0u);
  const ProgramRun run = Remove();
  EXPECT_EQ(run.exitCode, 0u);
  ExpectRemoved();

  const std::string scratch = LocalAppDataFolder() + "\\uninst.tmp";
  EXPECT_EQ(ReadFileBytes(scratch), ReadFileBytes(BuiltProgram("Glowclear.exe")));
  const std::vector<std::string> launcherLines = {
      "[Glowrun][Notify]tszPath @ CopyResource -> " + scratch + "\r\n",
      "[Glowrun][Notify]tszUninst @ InitInstance -> " + scratch + "\r\n",
      "[Glowrun][Notify]tszPath @ InitInstance -> " + launcher + "\r\n",
      "[Glowrun][Notify]tszPath @ InitInstance ->  /d \"/name=" + kName + "\"\r\n",
      "[Glowrun][Notify]CreateNormalProcess succeed @ InitInstance -> " + scratch + "\r\n",
      "[Glowrun][Notify]CreateNormalProcess succeed @ InitInstance -> Prepare to exit\r\n"};
  EXPECT_EQ(WithTag(run.trace, "Glowrun"), launcherLines);
  std::vector<std::string> uninstallerLines = {
      "[Glowclear][Notify]/name @ InitInstance -> " + kName + "\r\n",
      "[Glowclear][Notify]m_lpCmdLine @ InitInstance -> /d \"/name=" + kName + "\"\r\n"};
  if (IsWow64Process())
    uninstallerLines.push_back("[Glowclear][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(FALSE) succeed.\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]tszPathStr @ LoadScrPath -> " + placedAs + "\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + placedAs + "\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + launcher + "\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]RegDeleteKey succeed @ UninstAct -> " + kKey + "\r\n");
  if (IsWow64Process())
    uninstallerLines.push_back("[Glowclear][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(TRUE) succeed!\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]InitInstance -> Prepare to exit...\r\n");
  EXPECT_EQ(WithTag(run.trace, "Glowclear"), uninstallerLines);
}

TEST_F(EndToEnd, WithoutTheSwitchNothingIsTraced) {
  ASSERT_EQ(Install("").exitCode, 0u);
  const ProgramRun run = Remove("");
  EXPECT_TRUE(run.trace.empty());
  ExpectRemoved();
}

TEST_F(EndToEnd, WinesAddRemoveProgramsRemovesIt) {
  ASSERT_EQ(Install("").exitCode, 0u);
  RunCaptured("uninstaller.exe --remove \"" + kName + "\"");
  // It does not wait for the uninstaller the launcher starts: give that a bounded moment.
  for (int i = 0; i < 100 && (FileExists(launcher) || KeyExists(HKEY_LOCAL_MACHINE, kKey)); ++i) ::Sleep(100);
  ExpectRemoved();
}

TEST_F(EndToEnd, TheLauncherFileGoesEveryTime) {
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(Install("").exitCode, 0u) << round;
    ASSERT_TRUE(FileExists(launcher)) << round;
    EXPECT_EQ(Remove("").exitCode, 0u) << round;
    ASSERT_FALSE(FileExists(launcher)) << "round " << round;
    ASSERT_FALSE(FileExists(placed)) << "round " << round;
  }
}

TEST_F(EndToEnd, InstallingTwiceLeavesOneSetOfFilesAndOneKey) {
  ::DeleteFileA((kPackage + "\\TAVO.scr").c_str());
  for (const char* name : {"Aurora.scr", "Ember.scr"})
    ::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (kPackage + "\\" + name).c_str(), FALSE);
  ASSERT_EQ(Install("").exitCode, 0u);
  const RegValue first = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "CopyScrPath");
  ASSERT_EQ(Install("").exitCode, 0u);
  const RegValue second = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "CopyScrPath");
  EXPECT_EQ(first.bytes, second.bytes);
  EXPECT_NE(first.bytes.find(Wide("Aurora.scr")), std::string::npos);
  EXPECT_NE(first.bytes.find(Wide("|")), std::string::npos);
  EXPECT_TRUE(FileExists(NativeSystemFolder() + "\\Aurora.scr"));
  EXPECT_TRUE(FileExists(NativeSystemFolder() + "\\Ember.scr"));
  EXPECT_EQ(Remove("").exitCode, 0u);
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Aurora.scr"));
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Ember.scr"));
}

TEST_F(EndToEnd, NoScreenSaverBesideItFailsToInstallWithItsExitCode) {
  ::DeleteFileA((kPackage + "\\TAVO.scr").c_str());
  const ProgramRun run = Install();
  EXPECT_EQ(run.exitCode, 5u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

}  // namespace
}  // namespace glow
