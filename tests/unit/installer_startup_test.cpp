// Installer start-up: debug switch, single instance, own folder and the settings file.
#include "installer_support.h"

#include "exit_codes.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::Return;

class InstallerStartUp : public InstallerTest {
 protected:
  bool StartWith(const char* arguments) {
    app.m_lpCmdLine = const_cast<char*>(arguments);
    return app.StartUp();
  }
  InstallerApp app;
};

TEST_F(InstallerStartUp, DebugSwitchIsTheWholeArgumentTextSlashOrDashD) {
  for (const char* on : {"/d", "/D", "-d", "-D"}) {
    ResetTraceForTests();
    InstallerApp run;
    run.m_lpCmdLine = const_cast<char*>(on);
    run.StartUp();
    EXPECT_TRUE(IsTraceOn()) << on;
  }
  for (const char* off : {"/d x", "/d ", "", "/dx"}) {
    ResetTraceForTests();
    InstallerApp run;
    run.m_lpCmdLine = const_cast<char*>(off);
    run.StartUp();
    EXPECT_FALSE(IsTraceOn()) << off;
  }
}

TEST_F(InstallerStartUp, ASecondInstallerEndsAtOnceTouchingNothing) {
  for (const char* name : {"TAVO ScreenSaver Installer Local Mutex", "Global\\TAVO ScreenSaver Installer Global Mutex"}) {
    HANDLE first = MakeLock(name, LockMaker::kAdministrators);
    os.lines.clear();
    EXPECT_CALL(os, GetModuleFileNameA(_, _, _)).Times(0);
    EXPECT_CALL(os, ReadFile(_, _, _, _, _)).Times(0);
    EXPECT_CALL(os, MessageBoxA(_, _, _, _)).Times(0);
    InstallerApp second;
    char commandLine[] = "Glowset.exe /d";
    EXPECT_EQ(second.Run(commandLine), kInstallInProgress);
    ::CloseHandle(first);
    ::testing::Mock::VerifyAndClearExpectations(&os);
    ASSERT_EQ(os.lines.size(), 2u) << AllLines();
    const bool local = strstr(name, "Local") != nullptr;
    EXPECT_EQ(os.lines[0], local ? "[Glowset][Notify]InitInstance -> m_hLocalMutex - ERROR_ALREADY_EXISTS\r\n"
                                 : "[Glowset][Notify]InitInstance -> m_hGlobalMutex - ERROR_ALREADY_EXISTS\r\n");
    EXPECT_EQ(os.lines[1], "[Glowset][Notify]ExitInstance -> Prepare to exit...\r\n");
  }
}

// Anyone may make an object of any name first: one that a program without administrator rights made,
// as it can with default security or refusing everyone, neither ends the install as "try later" nor as
// a failure.
TEST_F(InstallerStartUp, AMutexMadeFirstWithoutAdministratorRightsIsNotYieldedTo) {
  for (const LockMaker maker : {LockMaker::kAnyProgram, LockMaker::kAnyProgramRefusing}) {
    const HANDLE local = MakeLock("TAVO ScreenSaver Installer Local Mutex", maker);
    const HANDLE global = MakeLock("Global\\TAVO ScreenSaver Installer Global Mutex", maker);
    ASSERT_TRUE(local && global);
    os.lines.clear();
    InstallerApp run;
    run.m_lpCmdLine = const_cast<char*>("/d");
    EXPECT_TRUE(run.StartUp()) << AllLines();
    EXPECT_EQ(LinesWith("[Glowset]made by a program without administrator rights, not yielded to @ InitInstance -> "), 2)
        << AllLines();
    run.ExitInstance();
    ::CloseHandle(local);
    ::CloseHandle(global);
  }
}

TEST_F(InstallerStartUp, MutexesAreHeldUntilExitInstanceThenReleased) {
  ASSERT_TRUE(StartWith(""));
  HANDLE probe = ::CreateMutexA(nullptr, FALSE, "TAVO ScreenSaver Installer Local Mutex");
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ::CloseHandle(probe);
  app.ExitInstance();
  probe = ::CreateMutexA(nullptr, FALSE, "Global\\TAVO ScreenSaver Installer Global Mutex");
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  ::CloseHandle(probe);
}

TEST_F(InstallerStartUp, AMutexThatCannotBeCreatedEndsTheRunWithItsError) {
  EXPECT_CALL(os, CreateMutexA(_, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateMutexA(_, FALSE, ::testing::StrEq("Global\\TAVO ScreenSaver Installer Global Mutex")))
      .WillOnce(FailWith(static_cast<HANDLE>(nullptr), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)));
  EXPECT_FALSE(StartWith("/d"));
  // (Access refused is another story: an object of the name that administrators may not open.)
  EXPECT_EQ(LinesWith("[Glowset]InitInstance -> m_hGlobalMutex == NULL error: 8 - "), 1) << AllLines();
  EXPECT_EQ(app.ExitInstance(), kMutexFailed);
}

TEST_F(InstallerStartUp, AnUnreadableOwnPathEndsTheRun) {
  EXPECT_CALL(os, GetModuleFileNameA(nullptr, _, 260u)).WillOnce(FailWith(0u, static_cast<DWORD>(ERROR_INVALID_HANDLE)));
  EXPECT_FALSE(StartWith("/d"));
  EXPECT_EQ(LinesWith("[Glowset]InitInstance -> GetModuleFileName failed error: 6 - "), 1) << AllLines();
  EXPECT_EQ(app.ExitInstance(), kOwnPathUnavailable);
}

TEST_F(InstallerStartUp, OwnFolderKeepsItsBackslashes) {
  ASSERT_TRUE(StartWith(""));
  EXPECT_EQ(std::string(app.settings().ownDrive.c_str()) + app.settings().ownFolder.c_str(), ownFolder + "\\");
  EXPECT_EQ(app.settings().ownFolder.c_str()[0], '\\');
}

TEST_F(InstallerStartUp, WithoutSettingsFileBothDefaults) {
  ASSERT_TRUE(StartWith("/d"));
  EXPECT_STREQ(app.settings().productName.c_str(), "TAVO ScreenSaver");
  EXPECT_STREQ(app.settings().productVersion.c_str(), "1.0.0001");
  EXPECT_EQ(LinesWith("[Glowset][Notify]file not exist @ InitInstance -> " + ownFolder + "\\Glowset.ini\r\n"), 1)
      << AllLines();
}

TEST_F(InstallerStartUp, NameAndVersionFallBackIndependently) {
  WriteIni("[Inst]\r\nName=\r\nVersion=2.5\r\n");
  ASSERT_TRUE(StartWith("/d"));
  EXPECT_STREQ(app.settings().productName.c_str(), "TAVO ScreenSaver");
  EXPECT_STREQ(app.settings().productVersion.c_str(), "2.5");
  EXPECT_EQ(LinesWith("[Glowset]GetINIString - [Inst - Name] failed @ InitInstance -> " + ownFolder +
                      "\\Glowset.ini error: "),
            1)
      << AllLines();
  EXPECT_EQ(LinesWith("[Inst - Version] failed"), 0);

  app.ExitInstance();
  WriteIni("[Inst]\r\nName=Foo\r\n");
  InstallerApp second;
  second.m_lpCmdLine = const_cast<char*>("");
  ASSERT_TRUE(second.StartUp());
  EXPECT_STREQ(second.settings().productName.c_str(), "Foo");
  EXPECT_STREQ(second.settings().productVersion.c_str(), "1.0.0001");
}

// A settings file held by another program must not install the default product in its place.
TEST_F(InstallerStartUp, ASettingsFileThatCannotBeReadRefusesTheInstall) {
  WriteIni("[Inst]\r\nName=Foo\r\n");
  HANDLE holder = ::CreateFileA((ownFolder + "\\Glowset.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_CALL(os, ReadFile(_, _, _, _, _)).Times(0);
  EXPECT_FALSE(StartWith("/d"));
  ::CloseHandle(holder);
  EXPECT_EQ(app.ExitInstance(), kSettingsUnreadable);
  EXPECT_EQ(os.boxes, std::vector<std::string>{"TAVO ScreenSaver Installer: Failed to install!"});
  EXPECT_EQ(LinesWith("[Glowset]settings file cannot be read @ InitInstance -> " + ownFolder + "\\Glowset.ini error: 32 - "),
            1)
      << AllLines();
}

TEST_F(InstallerStartUp, LongValuesAreCutTo253Characters) {
  WriteIni("[Inst]\r\nName=" + std::string(300, 'n') + "\r\nVersion=" + std::string(253, 'v') + "\r\n");
  ASSERT_TRUE(StartWith(""));
  EXPECT_EQ(std::string(app.settings().productName.c_str()), std::string(253, 'n'));
  EXPECT_EQ(std::string(app.settings().productVersion.c_str()), std::string(253, 'v'));
}

// The settings file in each encoding it may be saved in gives the same name; one saved in the system's
// ANSI code page before the programs ran in UTF-8 still gives its letters.
TEST_F(InstallerStartUp, SettingsInEveryEncodingGiveTheSameName) {
  const std::string utf8 = "Name=\xc3\x89" "cran \xd0\x97\xd0\xb2\xd1\x91\xd0\xb7\xd0\xb4\xd1\x8b\r\n";
  std::string utf16 = "\xff\xfe";
  for (char c : std::string("[Inst]\r\nName=")) utf16 += std::string(1, c) + '\0';
  for (const char* unit : {"\xc9\x00", "c\0", "r\0", "a\0", "n\0", " \0", "\x17\x04", "\x32\x04", "\x51\x04", "\x37\x04", "\x34\x04", "\x4b\x04"})
    utf16 += std::string(unit, 2);
  std::string bigEndian = utf16;  // what Notepad saves as "UTF-16 BE"
  for (size_t i = 0; i + 1 < bigEndian.size(); i += 2) std::swap(bigEndian[i], bigEndian[i + 1]);
  const bool unicodeProcess = ::GetACP() == CP_UTF8;
  for (const std::string& ini : {"[Inst]\r\n" + utf8, "\xef\xbb\xbf[Inst]\r\n" + utf8, utf16, bigEndian}) {
    WriteIni(ini);
    InstallerApp run;
    run.m_lpCmdLine = const_cast<char*>("");
    // Where the process runs in UTF-8 every letter arrives; in the Western code page the Cyrillic ones
    // cannot, and the name is refused rather than installed with stand-ins.
    ASSERT_EQ(run.StartUp(), unicodeProcess);
    wchar_t wide[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, run.settings().productName.c_str(), -1, wide, 64);
    if (unicodeProcess) EXPECT_STREQ(wide, L"\u00c9cran \u0417\u0432\u0451\u0437\u0434\u044b");
    EXPECT_EQ(run.ExitInstance(), unicodeProcess ? 0 : kProductNameRefused);
  }
  WriteIni("[Inst]\r\nName=\xc9" "cran\r\n");  // the Western code page's bytes: not UTF-8
  InstallerApp legacy;
  legacy.m_lpCmdLine = const_cast<char*>("");
  ASSERT_TRUE(legacy.StartUp());
  wchar_t wide[64] = {};
  ::MultiByteToWideChar(CP_ACP, 0, legacy.settings().productName.c_str(), -1, wide, 64);
  EXPECT_STREQ(wide, L"\u00c9cran");
}

// Letters the code page lacks: in UTF-8 every one arrives; in a legacy code page (a system that ignores
// the manifest) the install is refused, never done under a look-alike name.
TEST_F(InstallerStartUp, ANameTheCodePageCannotHoldIsRefusedInEveryCodePage) {
  const bool unicodeProcess = ::GetACP() == CP_UTF8;
  const std::string lodz = "\xc5\x81\xc3\xb3\x64\xc5\xba Nights";  // "Łódź Nights"
  for (const std::string& name : {lodz, std::string("A\xef\xbc\xbc" "B")}) {  // a fullwidth backslash
    WriteIni("\xef\xbb\xbf[Inst]\r\nName=" + name + "\r\n");
    InstallerApp run;
    run.m_lpCmdLine = const_cast<char*>("/d");
    EXPECT_EQ(run.StartUp(), unicodeProcess) << name;
    if (unicodeProcess) EXPECT_EQ(run.settings().productName.c_str(), name);
    EXPECT_EQ(run.ExitInstance(), unicodeProcess ? 0 : kProductNameRefused) << name;
  }
  EXPECT_EQ(LinesWith("[Glowset]GetINIString - [Inst - Name] not exact in this code page, install refused @ "
                      "InitInstance -> " + ownFolder + "\\Glowset.ini error: 1113 - "),
            unicodeProcess ? 0 : 2)
      << AllLines();
  EXPECT_EQ(os.boxes.size(), unicodeProcess ? 0u : 2u);
}

}  // namespace
}  // namespace glow
