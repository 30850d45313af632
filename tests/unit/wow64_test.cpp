// The WOW64 guard and the file probe on real Wine: what runs differs between the 64-bit and 32-bit prefix.
#include "test_support.h"

#include "file_probe.h"
#include "wow64_guard.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::Eq;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrEq;

class Wow64Guard : public SeamTest {};

TEST_F(Wow64Guard, IsWin64MatchesThePrefix) { EXPECT_EQ(IsWin64(), IsWow64Process()); }

TEST_F(Wow64Guard, IsWin64IsFalseWithoutIsWow64Process) {
  EXPECT_CALL(os, GetProcAddress(_, StrEq("IsWow64Process"))).WillOnce(Return(nullptr));
  EXPECT_CALL(os, CallIsWow64Process(_, _, _)).Times(0);
  EXPECT_FALSE(IsWin64());
}

TEST_F(Wow64Guard, SwitchesOffThenBackOnOnlyUnderWow64) {
  const bool wow64 = IsWow64Process();
  {
    InSequence order;
    EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, FALSE)).Times(wow64 ? 1 : 0);
    EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, TRUE)).Times(wow64 ? 1 : 0);
  }
  {
    Wow64RedirectionGuard guard;
    EXPECT_EQ(guard.bWin64(), wow64);
  }
  if (wow64) {
    ASSERT_EQ(os.lines.size(), 2u) << AllLines();
    EXPECT_EQ(os.lines[0], "[Glow][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(FALSE) succeed.\r\n");
    EXPECT_EQ(os.lines[1], "[Glow][Notify]InitInstance -> fnWow64EnableWow64FsRedirection(TRUE) succeed!\r\n");
  } else {
    // Wine's 32-bit kernel32 has the function; a plain 32-bit system only traces when it lacks it.
    EXPECT_EQ(LinesWith("fnWow64EnableWow64FsRedirection(") , 0) << AllLines();
  }
}

TEST_F(Wow64Guard, RedirectionIsReallyOffInBetween) {
  if (!IsWow64Process()) GTEST_SKIP() << "no redirection on 32-bit Windows";
  const std::string name = "glow-guard-probe.tmp";
  {
    Wow64RedirectionGuard guard;
    WriteFileBytes(SystemFolder() + "\\" + name, "native");
  }
  // With redirection back on, the 32-bit view of the system folder does not hold the file.
  EXPECT_FALSE(FileExists(SystemFolder() + "\\" + name));
  {
    Wow64RedirectionGuard guard;
    EXPECT_TRUE(FileExists(SystemFolder() + "\\" + name));
    ::DeleteFileA((SystemFolder() + "\\" + name).c_str());
  }
}

TEST_F(Wow64Guard, MissingSwitchGivesOneNoticeAndNoCalls) {
  EXPECT_CALL(os, GetProcAddress(_, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, GetProcAddress(_, StrEq("Wow64EnableWow64FsRedirection"))).WillOnce(Return(nullptr));
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, _)).Times(0);
  { Wow64RedirectionGuard guard; }
  ASSERT_EQ(os.lines.size(), 1u);
  EXPECT_EQ(os.lines[0], "[Glow][Notify]InitInstance -> !fnWow64EnableWow64FsRedirection, check if ok for you.\r\n");
}

TEST_F(Wow64Guard, FailedSwitchesAreTracedWithTheirErrorAndIgnored) {
  if (!IsWow64Process()) GTEST_SKIP() << "the switch is only called under WOW64";
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, _))
      .WillRepeatedly(FailWith(FALSE, static_cast<DWORD>(ERROR_INVALID_FUNCTION)));
  {
    Wow64RedirectionGuard guard;
    guard.SwitchBackOn();
    guard.SwitchBackOn();  // runs once only
  }
  ASSERT_EQ(os.lines.size(), 2u) << AllLines();
  EXPECT_EQ(os.lines[0].rfind("[Glow]InitInstance -> fnWow64EnableWow64FsRedirection(FALSE) failed !! error: 1 - ", 0), 0u);
  EXPECT_EQ(os.lines[1].rfind("[Glow]InitInstance -> fnWow64EnableWow64FsRedirection(TRUE) failed!! error: 1 - ", 0), 0u);
}

class FileProbe : public SeamTest {};

TEST_F(FileProbe, TrueOnlyForAnExistingFileWhichStaysUnchanged) {
  const std::string folder = NewFolder("probe");
  const std::string file = folder + "\\x.scr";
  WriteFileBytes(file, "bytes");
  EXPECT_TRUE(IsFileExist(file.c_str()));
  EXPECT_EQ(ReadFileBytes(file), "bytes");
  EXPECT_TRUE(::DeleteFileA(file.c_str()));  // no handle was left open
  EXPECT_FALSE(IsFileExist(file.c_str()));
  EXPECT_FALSE(IsFileExist(folder.c_str()));
  EXPECT_FALSE(IsFileExist(nullptr));
  EXPECT_TRUE(os.lines.empty());
}

}  // namespace
}  // namespace glow
