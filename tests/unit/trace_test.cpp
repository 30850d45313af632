// The trace against real FormatMessage and the real debugger channel, with the switch and codes varied.
#include "test_support.h"
#include "unique.h"

namespace glow {
namespace {

using ::testing::_;

class Trace : public SeamTest {};

TEST_F(Trace, SwitchOffWritesNothingNotEvenErrors) {
  ResetTraceForTests();
  TraceNotice("what", "where");
  TraceError("what", "where", 5);
  EXPECT_TRUE(os.lines.empty());
}

TEST_F(Trace, NoticeAndErrorLinesCarryTheTagWhereThenWhat) {
  SetTraceTag("Glowset");
  TraceNotice("Prepare to exit...", "ExitInstance");
  TraceError("CreateFile failed !", "CopyResource", ERROR_ACCESS_DENIED);
  ASSERT_EQ(os.lines.size(), 2u);
  EXPECT_EQ(os.lines[0], "[Glowset][Notify]ExitInstance -> Prepare to exit...\r\n");
  EXPECT_EQ(os.lines[1].rfind("[Glowset]CopyResource -> CreateFile failed ! error: 5 - ", 0), 0u) << os.lines[1];
  EXPECT_EQ(os.lines[1].substr(os.lines[1].size() - 2), "\r\n");  // the system text ends the line
}

TEST_F(Trace, CodeZeroReportsTheLastErrorOfTheFailedCallBefore) {
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_SHARING_VIOLATION)));
  EXPECT_EQ(Sys().CreateFileA("x", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  TraceError("CreateFile failed !", "CopyResource");
  ASSERT_EQ(os.lines.size(), 1u);
  EXPECT_NE(os.lines[0].find("error: 32 - "), std::string::npos) << os.lines[0];
}

TEST_F(Trace, TracingLeavesTheLastErrorForTheNextLine) {
  ::SetLastError(ERROR_SHARING_VIOLATION);
  TraceError("source", "CopyFile failed (tszSource) @ CopyFiles");
  TraceNotice("between", "x");
  TraceError("target", "CopyFile failed (tszTarget) @ CopyFiles");
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(LinesWith("error: 32 - "), 2) << AllLines();
}

// An owner's release on the way out of a failure leaves that failure's error for the trace; a release that
// fails without a last error of its own still reports a failure.
TEST_F(Trace, ReleasesKeepTheLastErrorAndNeverPassAFailureForSuccess) {
  EXPECT_CALL(os, CloseHandle(_)).WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_INVALID_HANDLE)))
      .WillOnce(FailWith(FALSE, 0u));
  UniqueHandle first(reinterpret_cast<HANDLE>(0x1234));
  ::SetLastError(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(first.reset(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  UniqueHandle second(reinterpret_cast<HANDLE>(0x5678));
  EXPECT_NE(second.reset(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(Trace, AnExplicitCodeWinsOverTheLastError) {
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  TraceError("RegCreateKey (Install) failed @ InitInstance", "key", ERROR_ACCESS_DENIED);
  ASSERT_EQ(os.lines.size(), 1u);
  EXPECT_NE(os.lines[0].find("error: 5 - "), std::string::npos) << os.lines[0];
}

TEST_F(Trace, SystemTextIsReleasedAndAMissingOneHasAStandIn) {
  EXPECT_CALL(os, LocalFree(_)).Times(1);
  TraceError("x", "y", ERROR_ACCESS_DENIED);
  ::testing::Mock::VerifyAndClearExpectations(&os);

  EXPECT_CALL(os, LocalFree(_)).Times(0);
  TraceError("x", "y", 0x2000FFFFu);  // no system text for this code
  ASSERT_EQ(os.lines.size(), 2u);
  EXPECT_EQ(os.lines[1], std::string("[Glow]y -> x error: 536936447 - ") + "(no system text for this code)\r\n");
}

TEST_F(Trace, LongTextsAreCutNeverOverrun) {
  const std::string path(5000, 'p');
  TraceError(path.c_str(), "RegSetValueEx (Uninstall) (CopyScrPath) failed @ InitInstance", ERROR_ACCESS_DENIED);
  ASSERT_EQ(os.lines.size(), 1u);
  EXPECT_EQ(os.lines[0].size(), 4095u);
}

}  // namespace
}  // namespace glow
