// The launcher: its name rules, the command line it forms, and a run with the process start observed.
#include "test_support.h"

#include "launcher_app.h"
#include "launcher_names.h"
#include "sizes.h"

namespace glow {
namespace {

using ::testing::HasSubstr;
using ::testing::_;
using ::testing::Return;
using ::testing::StrEq;

bool NoLeadBytes(unsigned char) { return false; }

std::string ProductOf(const char* path) {
  PathText name;
  EXPECT_TRUE(ProductNameFromLauncherPath(path, &name, NoLeadBytes));
  return name.c_str();
}

TEST(LauncherNames, EveryCaseSensitiveUninstallerIsRemovedFromTheBaseName) {
  EXPECT_EQ(ProductOf("C:\\windows\\TAVO ScreenSaver Uninstaller.exe"), "TAVO ScreenSaver");
  EXPECT_EQ(ProductOf("C:\\windows\\A Uninstaller Uninstaller.exe"), "A");
  EXPECT_EQ(ProductOf("C:\\windows\\X Uninstaller Pro Uninstaller.exe"), "X Pro");
  EXPECT_EQ(ProductOf("C:\\windows\\Foo uninstaller.exe"), "Foo uninstaller");
  EXPECT_EQ(ProductOf("C:\\windows\\ Uninstaller.exe"), "");
  EXPECT_EQ(ProductOf("C:\\windows\\Foo.exe"), "Foo");
  EXPECT_EQ(ProductOf("C:\\my.folder\\Foo Uninstaller"), "Foo");
}

TEST(LauncherNames, TheCommandLineStartsWithABlankAndQuotesTheName) {
  PathText line;
  ASSERT_TRUE(FormatUninstallerCommandLine("TAVO ScreenSaver", false, &line));
  EXPECT_STREQ(line.c_str(), " \"/name=TAVO ScreenSaver\"");
  ASSERT_TRUE(FormatUninstallerCommandLine("TAVO ScreenSaver", true, &line));
  EXPECT_STREQ(line.c_str(), " /d \"/name=TAVO ScreenSaver\"");
  ASSERT_TRUE(FormatUninstallerCommandLine("", false, &line));
  EXPECT_STREQ(line.c_str(), " \"/name=\"");
  // 9 more characters without the switch, 12 with it, and the zero: exactly at the buffer's end.
  EXPECT_TRUE(FormatUninstallerCommandLine(std::string(250, 'n').c_str(), false, &line));
  EXPECT_FALSE(FormatUninstallerCommandLine(std::string(251, 'n').c_str(), false, &line));
  EXPECT_TRUE(FormatUninstallerCommandLine(std::string(247, 'n').c_str(), true, &line));
  EXPECT_FALSE(FormatUninstallerCommandLine(std::string(248, 'n').c_str(), true, &line));
}

class LauncherRun : public SeamTest {
 protected:
  void SetUp() override {
    SeamTest::SetUp();
    ResetTraceForTests();
    scratch = LocalAppDataFolder() + "\\uninst.tmp";
    ::DeleteFileA(scratch.c_str());  // so that the only handle asked for its final path is the held copy
    ON_CALL(os, GetModuleFileNameA(nullptr, _, _)).WillByDefault([this](HMODULE, LPSTR path, DWORD size) -> DWORD {
      if (ownPath.size() >= size) return 0;
      strcpy(path, ownPath.c_str());
      return static_cast<DWORD>(ownPath.size());
    });
    // The start is observed, not carried out: the handles handed back are real ones to close.
    ON_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _))
        .WillByDefault([this](LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                              BOOL inherit, DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION info) {
          startedApplication = application;
          // The pipe's end goes behind the name part; the uninstaller would write its exit code there.
          startedCommandLine = commandLine;
          const size_t report = startedCommandLine.find("\"/report=");
          if (report != std::string::npos) {
            const HANDLE pipe = reinterpret_cast<HANDLE>(strtoul(commandLine + report + 9, nullptr, 10));
            DWORD written = 0;
            if (reported) ::WriteFile(pipe, &reportedCode, sizeof reportedCode, &written, nullptr);
            startedCommandLine.erase(report, startedCommandLine.find('"', report + 2) + 1 - report);
          }
          startupSize = startup->cb;
          startedSuspended = inherit == (report != std::string::npos) && flags == CREATE_SUSPENDED && !environment &&
                             !folder;
          scratchWritableByOthers = ::CreateFileA(application, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
          scratchBytes = ReadFileBytes(application);
          ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &info->hProcess, 0,
                            FALSE, DUPLICATE_SAME_ACCESS);
          ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &info->hThread, 0,
                            FALSE, DUPLICATE_SAME_ACCESS);
          closeExpected = {info->hProcess, info->hThread};
          startedProcess = info->hProcess;
          return TRUE;
        });
    // What the system reports the observed start runs: the program it was asked to start.
    ON_CALL(os, QueryFullProcessImageNameA(_, 0u, _, _))
        .WillByDefault([this](HANDLE, DWORD, LPSTR name, PDWORD size) {
          strcpy(name, startedApplication.c_str());
          *size = static_cast<DWORD>(startedApplication.size());
          return TRUE;
        });
    ON_CALL(os, ResumeThread(_)).WillByDefault([this](HANDLE) {
      ++resumed;
      return 1u;
    });
    // The observed "process" has ended, with this code.
    ON_CALL(os, WaitForSingleObject(_, _)).WillByDefault(Return(static_cast<DWORD>(WAIT_OBJECT_0)));
    ON_CALL(os, GetExitCodeProcess(_, _)).WillByDefault([this](HANDLE, LPDWORD code) {
      *code = exitCode;
      return TRUE;
    });
    // Never the real one: the observed "process" is this test.
    ON_CALL(os, TerminateProcess(_, _)).WillByDefault([this](HANDLE process, UINT) {
      terminated = process == startedProcess;
      return TRUE;
    });
  }
  int Run(const char* arguments) {
    LauncherApp app;
    std::string commandLine = "\"" + ownPath + "\"" + arguments;
    return app.Run(&commandLine[0]);
  }
  std::string ownPath = "C:\\windows\\Foo Uninstaller.exe";
  std::string scratch;
  std::string startedApplication, startedCommandLine, scratchBytes;
  DWORD startupSize = 0;
  bool startedSuspended = false;
  HANDLE startedProcess = nullptr;
  int resumed = 0;
  bool terminated = false;
  bool scratchWritableByOthers = true;
  std::vector<HANDLE> closeExpected;
  bool reported = true;   // the uninstaller reports through the pipe
  DWORD reportedCode = 0;
  DWORD exitCode = 0;     // what it ends with
};

TEST_F(LauncherRun, StartsTheHeldScratchCopyWithTheNameAndEnds) {
  EXPECT_EQ(Run(""), kRemovalDone);
  EXPECT_EQ(startedApplication, scratch);
  EXPECT_EQ(startedCommandLine, " \"/name=Foo\"");
  EXPECT_EQ(startupSize, 68u);
  EXPECT_TRUE(startedSuspended);
  EXPECT_EQ(resumed, 1);  // once known to run the held copy
  EXPECT_FALSE(terminated);
  EXPECT_FALSE(scratchWritableByOthers);  // nobody can change it between the check and the start
  EXPECT_EQ(scratchBytes.size(), 80512u);
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_TRUE(os.lines.empty());  // no switch, no trace
  // Both returned handles were closed.
  for (HANDLE handle : closeExpected) EXPECT_FALSE(::CloseHandle(handle));
}

TEST_F(LauncherRun, WithTheSwitchItTracesAndPassesItOn) {
  EXPECT_EQ(Run(" /D"), kRemovalDone);
  EXPECT_EQ(startedCommandLine, " /d \"/name=Foo\"");
  const std::vector<std::string> expected = {
      "[Glowrun][Notify]tszPath @ CopyResource -> " + scratch + "\r\n",
      "[Glowrun][Notify]tszUninst @ InitInstance -> " + scratch + "\r\n",
      "[Glowrun][Notify]tszPath @ InitInstance -> " + ownPath + "\r\n",
      "[Glowrun][Notify]tszPath @ InitInstance -> " + startedCommandLine + "\r\n",
      "[Glowrun][Notify]CreateNormalProcess succeed @ InitInstance -> " + scratch + "\r\n",
      "[Glowrun][Notify]CreateNormalProcess succeed @ InitInstance -> Prepare to exit\r\n",
      "[Glowrun][Notify]removal ended, exit code @ InitInstance -> 0\r\n"};
  EXPECT_EQ(os.lines, expected);
}

// A deployment tool waits for the uninstall command and maps its code: the removal's, never one that
// means something else.
TEST_F(LauncherRun, ReturnsTheRemovalsOutcomeAndOneRemovalAtATime) {
  reportedCode = ERROR_SUCCESS_REBOOT_REQUIRED;
  EXPECT_EQ(Run(""), kRemovalDoneAfterRestart);
  reportedCode = 4;  // the entry stays: the uninstaller's 4 would read as the launcher's own 4
  EXPECT_EQ(Run(""), kUninstallerEntryRemains);
  // Given the pipe, it ended before it reported (ended from outside, or crashed): a failure of its own,
  // whatever exit code it ended with, 0 included.
  reported = false;
  for (const DWORD code : {static_cast<DWORD>(0), static_cast<DWORD>(1), static_cast<DWORD>(STATUS_ACCESS_VIOLATION)}) {
    exitCode = code;
    EXPECT_EQ(Run(" /d"), kRemovalNotReported) << code;
  }
  EXPECT_EQ(LinesWith("[Glowrun]removal ended without a report, exit code @ InitInstance -> 0 error: 232 - "), 1)
      << AllLines();
  // Without a pipe, its exit code.
  EXPECT_CALL(os, CreatePipe(_, _, _, _)).WillRepeatedly(FailWith(FALSE, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)));
  exitCode = 1;
  EXPECT_EQ(Run(""), kUninstallerIncomplete);
  exitCode = STATUS_ACCESS_VIOLATION;
  EXPECT_EQ(Run(""), kRemovalEndUnknown);
  ::testing::Mock::VerifyAndClearExpectations(&os);

  // Another removal's lock is waited for, then "try later"; one that a program without administrator
  // rights made first is not yielded to.
  const HANDLE squatted = MakeLock("Global\\TAVO ScreenSaver Uninstaller Global Mutex", LockMaker::kAnyProgramRefusing);
  reported = true;
  reportedCode = 0;
  EXPECT_EQ(Run(" /d"), kRemovalDone);
  EXPECT_EQ(LinesWith("[Glowrun]removal lock made by a program without administrator rights, not yielded to"), 1);
  ::CloseHandle(squatted);
  const HANDLE other = MakeLock("Global\\TAVO ScreenSaver Uninstaller Global Mutex", LockMaker::kAdministrators);
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Run(" /d"), kAnotherRemovalRuns);
  ::CloseHandle(other);
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_EQ(LinesWith("[Glowrun][Notify]InitInstance -> another removal is running, nothing done\r\n"), 1);
}

TEST_F(LauncherRun, AScratchCopyThatCannotBeWrittenShowsFailedToUninstall) {
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateFileA(StrEq(scratch), GENERIC_WRITE, _, _, _, _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_SHARING_VIOLATION)));
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Run(" /d"), kScratchCopyFailed);
  ASSERT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(os.boxes[0], "TAVO ScreenSaver Uninstaller: Failed to uninstall!");
  EXPECT_EQ(os.boxTypes[0], static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(LinesWith("[Glowrun]CopyResource -> CreateFile failed ! error: 32 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glowrun][Notify]InitInstance -> CopyResource (UNINSTALL.EXE) failed !\r\n"), 1);
  ::testing::Mock::VerifyAndClearExpectations(&os);

  // Where no one can see a box (a service's window station), it would wait forever: the trace says it.
  os.boxes.clear();
  EXPECT_CALL(os, GetUserObjectInformationA(_, UOI_FLAGS, _, _, _))
      .WillOnce([](HANDLE, int, PVOID flags, DWORD, LPDWORD) {
        static_cast<USEROBJECTFLAGS*>(flags)->dwFlags = 0;
        return TRUE;
      });
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateFileA(StrEq(scratch), GENERIC_WRITE, _, _, _, _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_SHARING_VIOLATION)));
  EXPECT_EQ(Run(" /d"), kScratchCopyFailed);
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_EQ(LinesWith("[Glowrun][Notify]no visible window station, message not shown -> Failed to uninstall!\r\n"), 1)
      << AllLines();
}

// A local application-data folder longer than a path in this code page (a profile named in letters of
// several bytes each) comes back from the ANSI lookup cut, without its end: the run says so, by its code.
TEST_F(LauncherRun, ALocalAppDataFolderLongerThanAPathIsNamedAsTheCause) {
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_LOCAL_APPDATA, _))
      .WillOnce([](HWND, LPSTR path, int, BOOL) {
        memset(path, 'x', kPathSize);
        path[0] = 'C', path[1] = ':', path[2] = '\\';
        return TRUE;
      });
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateFileA(HasSubstr("xxx"), _, _, _, _, _, _)).Times(0);
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Run(" /d"), kScratchFolderTooLong);
  EXPECT_EQ(os.boxes, std::vector<std::string>{"TAVO ScreenSaver Uninstaller: Failed to uninstall!"});
  EXPECT_EQ(LinesWith("[Glowrun]CopyResource -> CSIDL_LOCAL_APPDATA longer than a path (260 bytes in this code page) ! "
                      "error: 206 - "),
            1)
      << AllLines();
}

TEST_F(LauncherRun, StartedAgainWhileTheScratchCopyRunsShowsFailedToUninstall) {
  // A program running from the scratch file, as an uninstaller started earlier would be.
  WriteFileBytes(scratch, ReadFileBytes(SystemFolder() + "\\hostname.exe"));
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION running = {};
  ASSERT_TRUE(::CreateProcessA(scratch.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &running));
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Run(""), kScratchCopyFailed);
  ::TerminateProcess(running.hProcess, 0);
  ::WaitForSingleObject(running.hProcess, 5000);
  ::CloseHandle(running.hThread);
  ::CloseHandle(running.hProcess);
  EXPECT_EQ(os.boxes.size(), 1u);
}

TEST_F(LauncherRun, AnUnreadableOwnPathOrAFailedStartShowsNothing) {
  EXPECT_CALL(os, GetModuleFileNameA(nullptr, _, 260u)).WillOnce(FailWith(0u, static_cast<DWORD>(ERROR_INVALID_HANDLE)));
  EXPECT_EQ(Run(" -d"), kLauncherPathUnavailable);
  EXPECT_EQ(LinesWith("[Glowrun]InitInstance -> GetModuleFileName failed ! error: 6 - "), 1) << AllLines();
  ::testing::Mock::VerifyAndClearExpectations(&os);

  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _))
      .WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT)));
  EXPECT_EQ(Run(" -d"), kUninstallerNotStarted);
  EXPECT_EQ(LinesWith("[Glowrun]CreateNormalProcess failed !! @ InitInstance -> " + scratch + " error: 193 - "), 1)
      << AllLines();
  EXPECT_TRUE(os.boxes.empty());
}

// What starts must be the very file the launcher wrote and holds, whatever happened to its path.
TEST_F(LauncherRun, AStartThatRunsAnotherProgramIsEndedAndShowsFailedToUninstall) {
  const std::string foreign = SystemFolder() + "\\hostname.exe";
  EXPECT_CALL(os, QueryFullProcessImageNameA(_, _, _, _)).WillOnce([&](HANDLE, DWORD, LPSTR name, PDWORD size) {
    strcpy(name, foreign.c_str());
    *size = static_cast<DWORD>(foreign.size());
    return TRUE;
  });
  EXPECT_EQ(Run(" /d"), kUninstallerNotConfirmed);
  EXPECT_TRUE(terminated);
  EXPECT_EQ(resumed, 0);
  EXPECT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(LinesWith("[Glowrun]started program is not the written uninstaller, ended @ InitInstance -> " + scratch +
                      " error: 1006 - "),
            1)
      << AllLines();
  ::testing::Mock::VerifyAndClearExpectations(&os);
  os.boxes.clear();

  // A final path the system cannot give for the held copy (the scratch folder and the profile come first)
  // ends the run before anything starts.
  ::DeleteFileA(scratch.c_str());
  EXPECT_CALL(os, GetFinalPathNameByHandleA(_, _, _, _))
      .WillOnce(::testing::DoDefault())
      .WillOnce(::testing::DoDefault())
      .WillOnce(FailWith(0u, static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Run(""), kUninstallerNotConfirmed);
  EXPECT_EQ(os.boxes.size(), 1u);
  ::testing::Mock::VerifyAndClearExpectations(&os);

  // A start that cannot be let run is ended.
  terminated = false;
  EXPECT_CALL(os, ResumeThread(_)).WillOnce(FailWith(static_cast<DWORD>(-1), static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_EQ(Run(""), kUninstallerNotStarted);
  EXPECT_TRUE(terminated);
}

TEST_F(LauncherRun, OnlySystemsThatLackTheFunctionsStartThePathAsBefore) {
  EXPECT_CALL(os, HasSystemFunction(_)).WillRepeatedly(::testing::DoDefault());
  EXPECT_CALL(os, HasSystemFunction(real::kGetFinalPathNameByHandleA)).WillRepeatedly(Return(FALSE));
  EXPECT_CALL(os, HasSystemFunction(real::kQueryFullProcessImageNameA)).WillRepeatedly(Return(FALSE));
  EXPECT_CALL(os, GetFinalPathNameByHandleA(_, _, _, _)).Times(0);
  EXPECT_CALL(os, QueryFullProcessImageNameA(_, _, _, _)).Times(0);
  EXPECT_EQ(Run(""), kRemovalDone);
  EXPECT_EQ(startedApplication, scratch);
  EXPECT_EQ(resumed, 1);
  EXPECT_FALSE(terminated);
  ::testing::Mock::VerifyAndClearExpectations(&os);

  // A system that has them is never taken at its word: a failure that reads like absence ends the start.
  resumed = 0;
  EXPECT_CALL(os, QueryFullProcessImageNameA(_, _, _, _)).WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_PROC_NOT_FOUND)));
  EXPECT_EQ(Run(""), kUninstallerNotConfirmed);
  EXPECT_TRUE(terminated);
  EXPECT_EQ(resumed, 0);
}

// The uninstaller would refuse a name too long for its key path after all: no removal starts for it.
TEST_F(LauncherRun, ANameTooLongForTheKeyPathShowsFailedToUninstall) {
  EXPECT_CALL(os, CreateProcessA(_, _, _, _, _, _, _, _, _, _)).Times(0);
  ownPath = "C:\\" + std::string(208, 'n') + " Uninstaller.exe";  // one more than the key path holds
  EXPECT_EQ(Run(" /d"), kCommandLineTooLong);
  EXPECT_EQ(LinesWith("name too long for the key path @ InitInstance"), 1) << AllLines();
  EXPECT_EQ(os.boxes.size(), 1u);
}

}  // namespace
}  // namespace glow
