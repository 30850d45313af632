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
    HANDLE first = ::CreateMutexA(nullptr, FALSE, name);
    os.lines.clear();
    EXPECT_CALL(os, GetModuleFileNameA(_, _, _)).Times(0);
    EXPECT_CALL(os, GetPrivateProfileStringA(_, _, _, _, _, _)).Times(0);
    EXPECT_CALL(os, MessageBoxA(_, _, _, _)).Times(0);
    InstallerApp second;
    char commandLine[] = "Glowset.exe /d";
    EXPECT_EQ(second.Run(commandLine), kAlreadyRunning);
    ::CloseHandle(first);
    ::testing::Mock::VerifyAndClearExpectations(&os);
    ASSERT_EQ(os.lines.size(), 2u) << AllLines();
    const bool local = strstr(name, "Local") != nullptr;
    EXPECT_EQ(os.lines[0], local ? "[Glowset][Notify]InitInstance -> m_hLocalMutex - ERROR_ALREADY_EXISTS\r\n"
                                 : "[Glowset][Notify]InitInstance -> m_hGlobalMutex - ERROR_ALREADY_EXISTS\r\n");
    EXPECT_EQ(os.lines[1], "[Glowset][Notify]ExitInstance -> Prepare to exit...\r\n");
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
      .WillOnce(FailWith(static_cast<HANDLE>(nullptr), static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_FALSE(StartWith("/d"));
  EXPECT_EQ(LinesWith("[Glowset]InitInstance -> m_hGlobalMutex == NULL error: 5 - "), 1) << AllLines();
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
  EXPECT_CALL(os, GetPrivateProfileStringA(_, _, _, _, _, _)).Times(0);
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

TEST_F(InstallerStartUp, GetINIStringAsksForAtMost253Characters) {
  WriteIni("[Inst]\r\nName=Foo\r\n");
  EXPECT_CALL(os, GetPrivateProfileStringA(::testing::StrEq("Inst"), ::testing::StrEq("Name"), ::testing::StrEq(""), _,
                                           254u, _));
  PathText value;
  GetINIString((ownFolder + "\\Glowset.ini").c_str(), "Inst", "Name", &value);
  EXPECT_FALSE(GetINIString((ownFolder + "\\missing.ini").c_str(), "Inst", "Name", &value));
}

}  // namespace
}  // namespace glow
