#pragma once
// The application frame every program runs in: the start-up hook does the whole job; when it returns
// false no message loop runs, the exit hook runs and its result is the process exit code.

namespace glow {

class AppFrame {
 public:
  virtual ~AppFrame() = default;

  // Loads the system libraries, derives m_lpCmdLine from the full command line, then runs InitInstance
  // and ExitInstance.
  int Run(char* commandLine);

  virtual bool InitInstance() = 0;
  virtual int ExitInstance() { return m_nExitCode; }

  // The argument text: the command line after the program name and the blanks behind it.
  const char* m_lpCmdLine = nullptr;

 protected:
  int m_nExitCode = 0;
};

// Runs an application object against the process's own command line.
int RunApplication(AppFrame& app);

}  // namespace glow
