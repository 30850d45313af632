// The real three programs in a fresh prefix: install from a package folder, remove through the
// registered uninstall command, and check files, registry values (types and bytes) and trace lines.
#include "run_support.h"
#include "test_support.h"

namespace glow {
namespace {

const std::string kName = "TAVO ScreenSaver";
const std::string kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kName;
const std::string kPackage = "C:\\glowpkg";

// The lines of one program; the pipe's handle, which differs from run to run, reads N.
std::vector<std::string> WithTag(const std::vector<std::string>& lines, const std::string& tag) {
  std::vector<std::string> tagged;
  for (std::string line : lines) {
    const size_t report = line.find("\"/report=");
    if (report != std::string::npos) line.replace(report + 9, line.find('"', report + 1) - report - 9, "N");
    if (line.rfind("[" + tag + "]", 0) == 0) tagged.push_back(line);
  }
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
  // The registered uninstall command, as Add/Remove Programs runs it.
  ProgramRun Remove(const std::string& arguments = " /d") {
    const RegValue command = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "UninstallString");
    std::string line;
    for (size_t i = 0; i + 1 < command.bytes.size(); i += 2)
      if (command.bytes[i]) line += command.bytes[i];
    return RunTraced(line + arguments);
  }
  void ExpectRemoved() {
    EXPECT_FALSE(FileExists(placed));
    EXPECT_FALSE(FileExists(launcher));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
    const RegValue selection = ReadRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScrnSave.exe");
    EXPECT_EQ(selection.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(selection.bytes, std::string(2, '\0'));  // the empty text with its terminating zero
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
      {"CopyScrPath", placedAs},         {"UninstallString", "\"" + launcher + "\""}, {"DisplayVersion", "1.0.0001"},
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
      "[Glowrun][Notify]CreateNormalProcess succeed @ InitInstance -> Prepare to exit\r\n",
      "[Glowrun][Notify]removal ended, exit code @ InitInstance -> 0\r\n"};
  EXPECT_EQ(WithTag(run.trace, "Glowrun"), launcherLines);
  std::vector<std::string> uninstallerLines = {
      "[Glowclear][Notify]/name @ InitInstance -> " + kName + "\r\n",
      "[Glowclear][Notify]m_lpCmdLine @ InitInstance -> /d \"/name=" + kName + "\"\"/report=N\"\r\n"};
  if (IsWow64Process())
    uninstallerLines.push_back("[Glowclear][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(FALSE) succeed.\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]tszPathStr @ LoadScrPath -> " + placedAs + "\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + placedAs + "\r\n");
  // The key goes before the launcher file: a removal ended in between leaves no entry whose command is gone.
  uninstallerLines.push_back("[Glowclear][Notify]RegDeleteKey succeed @ UninstAct -> " + kKey + "\r\n");
  uninstallerLines.push_back("[Glowclear][Notify]file exist, delete it @ UninstAct -> " + launcher + "\r\n");
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
  const DWORD start = ::GetTickCount();
  while ((FileExists(launcher) || KeyExists(HKEY_LOCAL_MACHINE, kKey)) && ::GetTickCount() - start < 30000)
    ::Sleep(100);
  ExpectRemoved();
}

// Each round repeats the same run (the uninstaller waits up to 3 s for the launcher): at most a minute of them.
TEST_F(EndToEnd, AReinstallWithFewerFilesStillRemovesThemAll) {
  ::DeleteFileA((kPackage + "\\TAVO.scr").c_str());
  for (const char* name : {"Aurora.scr", "Ember.scr"})
    ::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (kPackage + "\\" + name).c_str(), FALSE);
  ASSERT_EQ(Install("").exitCode, 0u);
  const RegValue first = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "CopyScrPath");
  ASSERT_EQ(Install("").exitCode, 0u);
  EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "CopyScrPath").bytes, first.bytes);  // one set, listed once
  EXPECT_NE(first.bytes.find(Wide("|")), std::string::npos);
  ::DeleteFileA((kPackage + "\\Ember.scr").c_str());
  ASSERT_EQ(Install("").exitCode, 0u);  // the next version ships Aurora alone
  EXPECT_EQ(Remove("").exitCode, 0u);
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Aurora.scr"));
  EXPECT_FALSE(FileExists(NativeSystemFolder() + "\\Ember.scr"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(EndToEnd, RegQueryShowsTheEmptiedSelectionAsAnEmptyText) {
  ASSERT_EQ(Install("").exitCode, 0u);
  EXPECT_EQ(Remove("").exitCode, 0u);
  const std::string shown = RunCaptured("reg.exe query \"HKCU\\Control Panel\\Desktop\" /v ScrnSave.exe");
  const size_t at = shown.find("ScrnSave.exe    REG_SZ");
  ASSERT_NE(at, std::string::npos) << shown;
  const std::string rest = shown.substr(at + 22, shown.find('\n', at) - at - 22);
  EXPECT_EQ(rest.find_first_not_of(" \r"), std::string::npos) << "shown as: [" << rest << "]";
}

// The README's settings block, taken from the README itself, so that the two cannot drift apart.
TEST_F(EndToEnd, TheReadmesSettingsExampleInstalls) {
  const std::string readme = ReadFileBytes("C:\\glow-test\\README.md");
  const size_t begin = readme.find("```ini\n");
  ASSERT_NE(begin, std::string::npos) << "no settings example in the README";
  std::string block;
  std::string name;
  const size_t end = readme.find("```", begin + 7);
  for (size_t at = begin + 7; at < end;) {
    size_t next = readme.find('\n', at);
    std::string line = readme.substr(at, next - at);
    at = next + 1;
    line.erase(0, line.find_first_not_of(' '));
    if (line.rfind("Name=", 0) == 0) name = line.substr(5);
    block += line + "\r\n";
  }
  ASSERT_FALSE(name.empty()) << block;
  WriteFileBytes(kPackage + "\\Glowset.ini", block);
  ASSERT_EQ(Install("").exitCode, 0u) << block;
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
  EXPECT_TRUE(StoredTextIs(ReadRegValue(HKEY_LOCAL_MACHINE, key, "DisplayName"), name));
  EXPECT_TRUE(FileExists(NativeSystemFolder() + "\\" + name + ".scr"));
  EXPECT_EQ(RunTraced("\"" + WindowsFolder() + "\\" + name + " Uninstaller.exe\"").exitCode, 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
}

// A stick, a disc or a mounted image: the installer at the root of a drive (the test run maps D: to a
// folder of its prefix), and at the root of C:.
TEST_F(EndToEnd, InstallsFromTheRootOfADrive) {
  ASSERT_NE(::GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "no D: drive in this prefix";
  for (const std::string root : {"D:\\", "C:\\"}) {
    ASSERT_TRUE(::CopyFileA(BuiltProgram("Glowset.exe").c_str(), (root + "Glowset.exe").c_str(), FALSE)) << root;
    ASSERT_TRUE(::CopyFileA(BuiltProgram("TAVO.scr").c_str(), (root + "TAVO.scr").c_str(), FALSE)) << root;
    const ProgramRun run = RunTraced("\"" + root + "Glowset.exe\" /d");
    EXPECT_EQ(run.exitCode, 0u) << root;
    EXPECT_TRUE(FileExists(placed)) << root;
    EXPECT_EQ(Remove().exitCode, 0u) << root;
    ExpectRemoved();
    ::DeleteFileA((root + "Glowset.exe").c_str());
    ::DeleteFileA((root + "TAVO.scr").c_str());
  }
}

TEST_F(EndToEnd, NoScreenSaverBesideItFailsToInstallWithItsExitCode) {
  ::DeleteFileA((kPackage + "\\TAVO.scr").c_str());
  const ProgramRun run = Install();
  EXPECT_EQ(run.exitCode, 5u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

}  // namespace
}  // namespace glow
