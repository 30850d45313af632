// The application frame: argument text from the real process command line, and the hook order.
#include "test_support.h"

#include "app_frame.h"

namespace glow {
namespace {

class RecordingApp : public AppFrame {
 public:
  bool InitInstance() override {
    calls += "init:" + std::string(m_lpCmdLine) + ";";
    return false;
  }
  int ExitInstance() override {
    calls += "exit;";
    return 7;
  }
  std::string calls;
};

class AppFrameRun : public SeamTest {};

TEST_F(AppFrameRun, InitInstanceThenExitInstanceWhoseResultIsTheExitCode) {
  RecordingApp app;
  char commandLine[] = "\"C:\\with blank\\Glowset.exe\"  /d";
  EXPECT_EQ(app.Run(commandLine), 7);
  EXPECT_EQ(app.calls, "init:/d;exit;");
}

TEST_F(AppFrameRun, ReadsTheProcessCommandLineThroughTheSeam) {
  static char commandLine[] = " \"/name=Foo\"";
  EXPECT_CALL(os, GetCommandLineA()).WillOnce(::testing::Return(commandLine));
  RecordingApp app;
  RunApplication(app);
  EXPECT_EQ(app.calls, "init:\"/name=Foo\";exit;");
}

}  // namespace
}  // namespace glow
