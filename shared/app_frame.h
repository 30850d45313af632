#pragma once
#include "unique.h"
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

enum class LockOutcome {
  kTaken,    // made now: held by this handle
  kHeld,     // another run holds it, still after the wait
  kNotOurs,  // an object of the name made by a program without administrator rights: not yielded to
  kNotMade,  // it cannot be made (last error set)
};

// A machine-wide named lock, made by Administrators for administrators and the system alone. One that
// another run holds is waited for up to `waitMs`; one that a program without administrator rights made
// first is no lock and is let go of.
LockOutcome TakeNamedLock(const char* name, DWORD waitMs, UniqueHandle* lock);

// The same in a namespace of the programs' own, bound to the Administrators group, that only
// administrators can make or open: nobody else can make its objects first. kNotMade (last error set)
// where the system has no such namespaces.
LockOutcome TakePrivateLock(const char* name, DWORD waitMs, HeldLock* lock);

// One removal at a time, machine-wide: the launcher holds the lock while it waits for the removal, the
// uninstaller too, whether a launcher holds it for it already (`launcherHoldsIt`: then it does not wait)
// or not. False when another removal holds it; a lock that cannot be made, or that a program without
// administrator rights made first, is traced and the run goes on without it.
bool TakeRemovalLock(HeldLock* lock, bool launcherHoldsIt);

// The process's own access token, opened for queries.
bool OpenOwnToken(UniqueHandle* token);

// True when the process runs as LocalSystem (a deployment tool's service): its HKEY_CURRENT_USER is the
// system's own profile, which no user sees. False when that cannot be told.
bool RunsAsLocalSystem();

// An error box, where someone can see it. Without a visible window station (a service, a deployment
// run as SYSTEM) a box would wait for a click that never comes, holding the run and its locks: the
// message then goes to the trace only.
void ShowErrorBox(const char* text, const char* caption);

}  // namespace glow
