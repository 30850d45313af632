// Reading the uninstaller's argument text, row by row, through the parser and through a whole run.
#include "test_support.h"

#include "arguments.h"
#include "uninstaller_app.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::Return;

bool NoLeadBytes(unsigned char) { return false; }

struct Recorder : ArgumentListener {
  void OnName(const char* name) override { events.push_back("name:" + std::string(name)); }
  void OnDebugSwitch() override { events.push_back("debug"); }
  void OnUnknown(const char* piece) override { events.push_back("unknown:" + std::string(piece)); }
  std::vector<std::string> events;
};

std::vector<std::string> Parse(const char* text, LeadByteTest lead = NoLeadBytes) {
  Recorder recorder;
  EXPECT_TRUE(ParseUninstallerArguments(text, lead, &recorder));
  return recorder.events;
}

TEST(UninstallerArguments, EachPieceBetweenQuotesIsANameADebugSwitchOrUnknown) {
  typedef std::vector<std::string> Events;
  EXPECT_EQ(Parse("\"/name=TAVO ScreenSaver\""), (Events{"name:TAVO ScreenSaver"}));
  EXPECT_EQ(Parse("/d \"/name=Foo\""), (Events{"debug", "name:Foo"}));
  EXPECT_EQ(Parse(""), (Events{}));
  EXPECT_EQ(Parse("\"/name=\""), (Events{"name:"}));
  EXPECT_EQ(Parse("/name=Foo Bar"), (Events{"name:Foo Bar"}));
  EXPECT_EQ(Parse("/d /name=Foo"), (Events{"name:/d Foo"}));
  EXPECT_EQ(Parse("-d \"/name=Foo\""), (Events{"unknown:-d ", "name:Foo"}));
  EXPECT_EQ(Parse("\"/NAME=Foo\""), (Events{"unknown:/NAME=Foo"}));
  EXPECT_EQ(Parse("\"/name=A\" \"/name=B\""), (Events{"name:A", "unknown: ", "name:B"}));
  EXPECT_EQ(Parse("\"/name=Foo\" /d"), (Events{"name:Foo", "debug"}));
  EXPECT_EQ(Parse("\"\"\"/name=/name=X\"\"\""), (Events{"name:X"}));
}

TEST(UninstallerArguments, ATrailByteEqualToTheQuoteDoesNotCut) {
  const auto lead = [](unsigned char c) { return c == 0x81; };
  EXPECT_EQ(Parse("\"/name=A\x81\"B\"", lead), (std::vector<std::string>{"name:A\x81\"B"}));
}

class UninstallerRunArguments : public SeamTest {
 protected:
  void SetUp() override {
    SeamTest::SetUp();
    ResetTraceForTests();
  }
  // The launcher's form: a leading blank, so the program name is empty.
  std::string Run(const std::string& arguments) {
    UninstallerApp app;
    std::string commandLine = " " + arguments;
    exitCode = app.Run(&commandLine[0]);
    return app.productName();
  }
  int exitCode = -1;
};

TEST_F(UninstallerRunArguments, TheTableRowByRow) {
  const struct {
    const char* arguments;
    const char* name;
    bool trace;
  } rows[] = {
      {"\"/name=TAVO ScreenSaver\"", "TAVO ScreenSaver", false},
      {"/d \"/name=Foo\"", "Foo", true},
      {"", "TAVO ScreenSaver", false},
      {"\"/name=\"", "TAVO ScreenSaver", false},
      {"/name=Foo Bar", "Foo Bar", false},
      {"/d /name=Foo", "/d Foo", false},
      {"-d \"/name=Foo\"", "Foo", false},
      {"\"/NAME=Foo\"", "TAVO ScreenSaver", false},
      {"\"/name=A\" \"/name=B\"", "B", false},
  };
  for (const auto& row : rows) {
    ResetTraceForTests();
    EXPECT_EQ(Run(row.arguments), row.name) << row.arguments;
    EXPECT_EQ(IsTraceOn(), row.trace) << row.arguments;
  }
}

TEST_F(UninstallerRunArguments, ASwitchAfterTheNameTracesFromItsOwnPieceOn) {
  EXPECT_EQ(Run("\"/name=Foo\" /d"), "Foo");
  EXPECT_TRUE(IsTraceOn());
  EXPECT_EQ(LinesWith("/name @ InitInstance"), 0) << AllLines();
  EXPECT_EQ(LinesWith("[Glowclear][Notify]m_lpCmdLine @ InitInstance -> \"/name=Foo\" /d\r\n"), 1) << AllLines();
}

TEST_F(UninstallerRunArguments, TheLaunchersDebugFormTracesTheName) {
  EXPECT_EQ(Run("/d \"/name=Foo\""), "Foo");
  ASSERT_FALSE(os.lines.empty());
  EXPECT_EQ(os.lines[0], "[Glowclear][Notify]/name @ InitInstance -> Foo\r\n");
  EXPECT_EQ(os.lines[1], "[Glowclear][Notify]m_lpCmdLine @ InitInstance -> /d \"/name=Foo\"\r\n");
  EXPECT_EQ(os.lines.back(), "[Glowclear][Notify]InitInstance -> Prepare to exit...\r\n");
}

TEST_F(UninstallerRunArguments, ADoubleByteNameWithAQuoteTrailByteStaysWhole) {
  EXPECT_CALL(os, IsDBCSLeadByte(_)).WillRepeatedly([](BYTE c) { return c == 0x81 ? TRUE : FALSE; });
  EXPECT_EQ(Run("\"/name=A\x81\"B\""), "A\x81\"B");
}

TEST_F(UninstallerRunArguments, ANameTooLongForTheKeyPathIsRefusedBeforeAnythingIsTouched) {
  EXPECT_CALL(os, RegOpenKeyExA(_, _, _, _, _)).Times(0);
  EXPECT_CALL(os, DeleteFileA(_)).Times(0);
  EXPECT_CALL(os, CallWow64EnableWow64FsRedirection(_, _)).Times(0);
  EXPECT_EQ(Run("/d \"/name=" + std::string(208, 'n') + "\""), "");
  EXPECT_EQ(exitCode, kUninstallNameRefused);
  EXPECT_EQ(LinesWith("product name refused: longer than 207 bytes @ InitInstance"), 1) << AllLines();
  ::testing::Mock::VerifyAndClearExpectations(&os);
  EXPECT_EQ(Run("\"/name=" + std::string(207, 'n') + "\""), std::string(207, 'n'));
  EXPECT_EQ(exitCode, kRemovalIncomplete);  // a fitting name: looked up, nothing registered
}

TEST_F(UninstallerRunArguments, AVeryLongArgumentTextIsReadWhole) {
  const std::string padding(5000, ' ');
  EXPECT_EQ(Run("\"" + padding + "\" \"/name=Foo\""), "Foo");
}

}  // namespace
}  // namespace glow
