// The uninstaller's run: the WOW64 frame around the removal, the one retry, and the complete trace.
#include "uninstaller_support.h"

#include "uninstaller_app.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::HasSubstr;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrEq;

class UninstallerRun : public RemovalTest {
 protected:
  int Run(const std::string& arguments) {
    UninstallerApp app;
    std::string commandLine = " " + arguments;
    return app.Run(&commandLine[0]);
  }
  void ExpectKeyReads(int times) {
    EXPECT_CALL(os, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HasSubstr(kProduct), 0, KEY_QUERY_VALUE, _)).Times(times);
  }
};

TEST_F(UninstallerRun, OffThenRemovalThenOnThenOneRetryOn64Bit) {
  const bool wow64 = IsWow64Process();
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  {
    InSequence order;
    if (wow64) EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, FALSE));
    ExpectKeyReads(1);
    if (wow64) {
      EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, TRUE));
      ExpectKeyReads(1);  // nothing registered: the first pass failed, so it is retried once
    }
  }
  EXPECT_EQ(Run("/d \"/name=Glowtest Removal\""), kRemovalIncomplete);
  EXPECT_EQ(LinesWith("[Glowclear][Notify]InitInstance -> bWin64 && !bRet\r\n"), wow64 ? 1 : 0) << AllLines();
}

TEST_F(UninstallerRun, NoRetryWhenTheFirstPassSucceeds) {
  Register(File("a.scr"));
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  ExpectKeyReads(1);
  EXPECT_EQ(Run("/d \"/name=Glowtest Removal\""), kRemoved);
  EXPECT_EQ(LinesWith("bWin64 && !bRet"), 0);
}

TEST_F(UninstallerRun, WithoutTheSwitchFunctionANoticeNoCallsAndStillTheRetry) {
  const bool wow64 = IsWow64Process();
  EXPECT_CALL(os, GetProcAddress(_, _)).Times(AnyNumber());
  EXPECT_CALL(os, GetProcAddress(_, StrEq("Wow64EnableWow64FsRedirection"))).WillOnce(Return(nullptr));
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, _)).Times(0);
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  ExpectKeyReads(wow64 ? 2 : 1);
  Run("/d \"/name=Glowtest Removal\"");
  EXPECT_EQ(LinesWith("[Glowclear][Notify]InitInstance -> !fnWow64EnableWow64FsRedirection, check if ok for you.\r\n"),
            1)
      << AllLines();
}

TEST_F(UninstallerRun, ARetrySucceedsWhenTheFirstPassCouldNotReadTheRecord) {
  if (!IsWow64Process()) GTEST_SKIP() << "the retry belongs to 64-bit Windows";
  const std::string a = File("a.scr");
  Register(a);
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HasSubstr(kProduct), 0, KEY_QUERY_VALUE, _))
      .WillOnce(Return(ERROR_ACCESS_DENIED))
      .WillOnce([this](HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) {
        return os.real().RegOpenKeyExA(root, path, options, access, result);
      });
  EXPECT_EQ(Run("\"/name=Glowtest Removal\""), kRemoved);
  EXPECT_FALSE(FileExists(Reach(a)));
}

// The place is formed once for the run: a pass tried again (the first left the key) looks up no folder again.
TEST_F(UninstallerRun, ARetriedPassLooksUpNoFolderAgain) {
  if (!IsWow64Process()) GTEST_SKIP() << "the retry belongs to 64-bit Windows";
  const std::string a = File("a.scr");
  Register(a);
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, _, _)).Times(AnyNumber());
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_SYSTEM, _));
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_WINDOWS, _));
  EXPECT_CALL(os, RegDeleteKeyA(HKEY_LOCAL_MACHINE, HasSubstr(kProduct)))
      .WillOnce(Return(ERROR_ACCESS_DENIED))
      .WillRepeatedly(::testing::DoDefault());
  EXPECT_EQ(Run("\"/name=Glowtest Removal\""), kRemoved) << AllLines();
  EXPECT_FALSE(FileExists(Reach(a)));
  EXPECT_FALSE(FileExists(launcher));
}

// Started by hand with the launcher's switch, while no launcher holds the removal lock for it: it takes
// the lock itself for its whole run, so that no other removal runs beside it.
TEST_F(UninstallerRun, StartedByHandWithTheReportSwitchItTakesTheRemovalLock) {
  Register(File("a.scr"));
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(AnyNumber());
  bool heldDuringTheRun = false;
  EXPECT_CALL(os, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HasSubstr(kProduct), 0, KEY_QUERY_VALUE, _))
      .WillOnce([&](HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) {
        const HANDLE other = MakeLock("Global\\TAVO ScreenSaver Uninstaller Global Mutex", LockMaker::kAdministrators);
        heldDuringTheRun = ::GetLastError() == ERROR_ALREADY_EXISTS;
        ::CloseHandle(other);
        return os.real().RegOpenKeyExA(root, path, options, access, result);
      });
  EXPECT_EQ(Run("/d \"/name=Glowtest Removal\"\"/report=0\""), kRemoved) << AllLines();
  EXPECT_TRUE(heldDuringTheRun);
}

TEST_F(UninstallerRun, ArgumentsThatCannotBeReadRemoveNoProductAtAll) {
  Register(File("a.scr"));
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(0);  // not even the default product's record
  FailBlockGrowthFrom(1);
  EXPECT_EQ(Run("/d \"/name=Glowtest Removal\""), kArgumentsUnreadable);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key));
}

}  // namespace
}  // namespace glow
